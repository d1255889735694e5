// formatNumber against the other ways to write "%.6g" with a three-digit
// exponent, over the values a run logs.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "logging/number_text.h"

namespace cablog::bench {
namespace {

// Speeds, pressures, locations, small accelerations, exact integers and
// negative currents, in the shares a log of twenty columns holds them.
std::vector<double> valueMix() {
  std::mt19937_64 random(42);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<double> values;
  for (int i = 0; i < 4096; ++i) {
    const double u = unit(random);
    switch (i % 20) {
      case 0:
      case 1:
      case 2:
      case 3:
      case 4:
        values.push_back(static_cast<float>(130.0 * u));  // speed
        break;
      case 5:
      case 6:
      case 7:
      case 8:
        values.push_back(static_cast<float>(std::round(900.0 * u * 4) / 4));  // pressure
        break;
      case 9:
      case 10:
      case 11:
        values.push_back(250000.0 * u);  // location
        break;
      case 12:
      case 13:
      case 14:
        values.push_back(
            static_cast<float>((u - 0.5) * (i % 3 == 0 ? 0.002 : 6.0)));  // acceleration
        break;
      case 15:
      case 16:
      case 17:
        values.push_back(std::floor(1000.0 * u));  // exact integer
        break;
      default:
        values.push_back(static_cast<float>(-500.0 * u));  // current, braking
    }
  }
  return values;
}

const std::vector<double>& mix() {
  static const std::vector<double> values = valueMix();
  return values;
}

// Exponents of at least three digits, as the log writes them.
std::size_t widenExponent(char* text, std::size_t size) {
  const char* e = static_cast<const char*>(std::memchr(text, 'e', size));
  if (e == nullptr) return size;
  const std::size_t digitsAt = static_cast<std::size_t>(e - text) + 2;
  const std::size_t digits = size - digitsAt;
  if (digits >= 3) return size;
  std::memmove(text + digitsAt + 3 - digits, text + digitsAt, digits);
  std::memset(text + digitsAt, '0', 3 - digits);
  return size + 3 - digits;
}

template <typename Write>
void overMix(benchmark::State& state, Write write) {
  const std::vector<double>& values = mix();
  char text[64];
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(write(values[i], text));
    benchmark::ClobberMemory();
    i = (i + 1) % values.size();
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_FormatNumber(benchmark::State& state) {
  overMix(state, [](double v, char* text) { return formatNumber(v, text); });
}

void BM_ToChars(benchmark::State& state) {
  overMix(state, [](double v, char* text) {
    const auto end = std::to_chars(text, text + 64, v, std::chars_format::general, 6).ptr;
    return widenExponent(text, static_cast<std::size_t>(end - text));
  });
}

void BM_Snprintf(benchmark::State& state) {
  overMix(state, [](double v, char* text) {
    const int size = std::snprintf(text, 64, "%.6g", v);
    return widenExponent(text, static_cast<std::size_t>(size));
  });
}

void BM_FreshOstringstream(benchmark::State& state) {
  overMix(state, [](double v, char* text) {
    std::ostringstream stream;
    stream << v;
    const std::string s = stream.str();
    std::memcpy(text, s.data(), s.size());
    return widenExponent(text, s.size());
  });
}

BENCHMARK(BM_FormatNumber);
BENCHMARK(BM_ToChars);
BENCHMARK(BM_Snprintf);
BENCHMARK(BM_FreshOstringstream);

}  // namespace
}  // namespace cablog::bench
