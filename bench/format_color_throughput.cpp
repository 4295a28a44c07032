// Formats every colour in every output format on one core and reports texts per second, by the
// wall clock and by the processor time this process was given (the fairer figure on a busy
// machine).
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>

#include "color/color_format.h"

namespace {

double ProcessSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

}  // namespace

int main() {
  constexpr int64_t kColors = 16777216;
  uint64_t checksum = 0;
  int64_t texts = 0;
  const double cpuStart = ProcessSeconds();
  const auto start = std::chrono::steady_clock::now();
  for (int format = 0; format < pigmora::kFormatCount; ++format) {
    for (int64_t color = 0; color < kColors; ++color) {
      const auto text = pigmora::FormatColor(color, static_cast<pigmora::OutputFormat>(format));
      // Folding every text into a checksum keeps the work from being optimised away.
      checksum = checksum * 31 + text->size() + static_cast<unsigned char>(text->back());
      ++texts;
    }
  }
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
  const double cpu = ProcessSeconds() - cpuStart;
  std::printf(
      "%lld texts: %.3f s wall, %.1f million texts/s; %.3f s processor time, %.1f million "
      "texts/s (checksum %016llx)\n",
      static_cast<long long>(texts), elapsed.count(), texts / elapsed.count() / 1e6, cpu,
      texts / cpu / 1e6, static_cast<unsigned long long>(checksum));
  return 0;
}
