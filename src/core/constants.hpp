#pragma once
// Physical and numerical constants of the model, defined once.
namespace swx {

inline constexpr float kGravity = 9.81f;                     // m/s^2
inline constexpr float kTwoGravity = 19.62f;                 // 2g, used in velocity heads
inline constexpr float kQuarterGravity = 2.4525f;            // g/4, in the depth cap of the signal synthesis
inline constexpr float kPi = 3.1415925f;                     // pi as the model's 32-bit value
inline constexpr float kTwoPi = 6.283185f;                   // 2 pi as the model's 32-bit value
inline constexpr float kPiRounded = 3.1415927f;              // pi correctly rounded to float (coordinates, outputs)
inline constexpr float kPiDirectional = 3.1415929f;          // pi as the directional transfer turns degrees to radians
inline constexpr float kTwoPiPhase = 6.283186f;              // 2 pi as the directional transfer draws random phases
inline constexpr double kPiDouble = 3.14159265358979323846;  // the analyses done in double
inline constexpr float kRefLevelCoef = 0.464758f;            // reference level above the bed, fraction of depth
inline constexpr float kAlpha = -0.392f;                     // reference-depth parameter of the equations
inline constexpr float kBeta = 0.058666646f;                 // -(alpha + 1/3)
inline constexpr float kVersion = 5.0f;                      // program version number
inline constexpr const char* kWriterName = "SWELLIX";
inline constexpr int kMaxWavemakers = 4;
inline constexpr int kDefaultSeed = 25136827;

}  // namespace swx
