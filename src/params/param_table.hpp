#pragma once
// The simulation parameter file: finding it, loading it into a table of keyword/value pairs,
// and the lookups through which every other part of the program reads a parameter.
#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "io/grid_file.hpp"

namespace swx {

struct ParamTable {
  std::vector<std::string> keys;    // lower case, no trailing blanks
  std::vector<std::string> values;  // lower case, no trailing blanks ("" for a key without value)
  int size() const { return static_cast<int>(keys.size()); }
};

// Entry numbers (1-based, inclusive) that limit a lookup to part of the table.
struct Block {
  int first = 1;
  int last = 0;
};

std::string prompt_for_text(std::string_view prompt, std::istream& in, std::ostream& out);
std::string get_parameter_file_name(int argc, char** argv, std::istream& in, std::ostream& out);
ParamTable load_parameter_table(const std::string& file_name);

bool has_key(const ParamTable& t, std::string_view key);
bool has_key_in_block(const ParamTable& t, std::string_view key, Block b);
std::string get_text(const ParamTable& t, std::string_view key);
std::string get_text_in_block(const ParamTable& t, std::string_view key, Block b);
std::string get_lower_text(const ParamTable& t, std::string_view key);
std::string get_lower_text_in_block(const ParamTable& t, std::string_view key, Block b);
int get_integer_in_range(const ParamTable& t, std::string_view key, int lo, int hi);
int get_integer_in_block(const ParamTable& t, std::string_view key, Block b);
int get_integer_in_block_in_range(const ParamTable& t, std::string_view key, Block b, int lo, int hi);
float get_real(const ParamTable& t, std::string_view key);
float get_real_in_range(const ParamTable& t, std::string_view key, float lo, float hi);
float get_real_in_block(const ParamTable& t, std::string_view key, Block b);
float get_real_in_block_in_range(const ParamTable& t, std::string_view key, Block b, float lo, float hi);
void get_real_optional(const ParamTable& t, std::string_view key, float& value);
// A real whose range is open at lo: lo < value <= hi (hi infinite: no upper bound).  Outside it
// the run stops with "Value of parameter: <key> has to be" / "greater than <lo>" and, with a
// finite hi, " and at most <hi>".
float get_real_in_block_above(const ParamTable& t, std::string_view key, Block b, float lo, float hi);
float get_real_above(const ParamTable& t, std::string_view key, float lo, float hi);
// The same test for a value already read (an optional key, a value of a grid file).
void check_real_above(std::string_view key, float value, float lo, float hi);

// A pair of world coordinates snapped to the nearest grid node, in the grid's own frame
// (origin at node (1,1)); i and j are the node's indices.  A point outside the grid stops the
// run with two console lines (node indices, given coordinates) before the box; a value that
// does not parse stops it with the value text written after the box.
struct GridPoint {
  float x = 0.0f, y = 0.0f;
  int i = 0, j = 0;
};
GridPoint get_grid_point_in_block(const ParamTable& t, std::string_view x_key, std::string_view y_key, Block b,
                                  const GridHeader& h);

// Entry numbers of every entry with this keyword, in order.
std::vector<int> find_entries(const ParamTable& t, std::string_view key);

}  // namespace swx
