// tessaly-probe's measurements of the time-stretch stage (see Stretching.cpp).
#pragma once

#include <string>

namespace tessaly::bench {

int render(const std::string& out, double speed, int fromMs, int toMs, const std::string& file);
int stretchCost(double speed, const std::string& file);
// The sentence maps of `count` files (Sentences.cpp).
int sentences(int count, char** files);

}  // namespace tessaly::bench
