#pragma once
// Message boxes and the end of a run.  Every fatal condition throws FatalError carrying the
// box lines; main() catches it once, shows the fatal box on the console and ends with status 0.
#include <exception>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace swx {

struct FatalError : std::exception {
  std::string line1, line2, line3;
  std::vector<std::string> before;  // console lines written just before the box
  std::vector<std::string> after;   // console lines written just after the box
  FatalError(std::string l1, std::string l2, std::string l3)
      : line1(std::move(l1)), line2(std::move(l2)), line3(std::move(l3)) {}
  const char* what() const noexcept override { return line1.c_str(); }
};

// Throws FatalError with up to three box lines; a line given as " " (or empty) is not shown.
[[noreturn]] void fatal(std::string_view l1, std::string_view l2 = " ", std::string_view l3 = " ");

// The box lines for a title and three message lines, including the leading and trailing
// lines of one blank, each without a line end.
std::vector<std::string> box_lines(std::string_view title, std::string_view l1, std::string_view l2,
                                   std::string_view l3);

inline constexpr std::string_view kFatalTitle = "***  Fatal Error ***";
inline constexpr std::string_view kWarningTitle = "***  Warning ***";

void show_fatal_error_box(std::ostream& console, std::string_view l1, std::string_view l2 = " ",
                          std::string_view l3 = " ");
void show_warning_box(std::ostream& console, std::string_view l1, std::string_view l2 = " ", std::string_view l3 = " ");
// Writes the whole fatal report of e (lines before, box, lines after) to the console.
void report_fatal(std::ostream& console, const FatalError& e);

// Console and log of a run, passed explicitly to whoever writes messages.  Lines are written
// exactly as given; free-format lines begin with one blank, which the caller includes.
struct Reporter {
  std::ostream* console = nullptr;
  std::ostream* log = nullptr;  // null until the log file is open
  std::string cwd{};            // working directory, put in front of file names in progress lines

  // The quoted path of a file as progress lines show it: a double quote, the working
  // directory, a backslash, the name and a closing double quote.
  std::string quoted_path(std::string_view file_name) const;

  void console_line(std::string_view text) const;
  void log_line(std::string_view text) const;
  // Log first, then console (the order the program uses for progress lines).
  void log_and_console(std::string_view text) const;
  void warning(std::string_view l1, std::string_view l2 = " ", std::string_view l3 = " ") const;
};

// Why a file could not be created or written, in words a user can act on; err is the errno
// value of the failing call (0 when unknown).
std::string file_failure_reason(const std::string& file_name, int err);

// Why a named input cannot be read as a text file ("" when it can): a directory, or something
// that is not a regular file (a device such as /dev/zero, a pipe), which could be read forever.
std::string not_a_readable_file(const std::string& file_name);

// Trailing blanks removed.
std::string_view trim_right(std::string_view s);
std::string_view trim_left(std::string_view s);
std::string to_lower(std::string_view s);  // A-Z only

}  // namespace swx
