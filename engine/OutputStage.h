// Output quantisation: each mixed sample gets a random dither of up to one
// unit in the last place of the output format at its own magnitude, shaped so
// the output carries the first difference of the dither sequence, and is
// rounded to the output format.
#pragma once

#include <cstdint>

namespace glowmarsh {

// random is a draw from rand(), 0 to 2147483647; ditherShape is the
// channel's memory of the dither it added in the previous frame.
float quantiseToFloat(double mix, long double& ditherShape, std::int32_t random);
double quantiseToDouble(double mix, long double& ditherShape, std::int32_t random);

}  // namespace glowmarsh
