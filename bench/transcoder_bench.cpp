// Throughput of the output transcoder against the C library's iconv(3)
// converting the same bytes from CP949 to UTF-8, in the same process.
//
// The input is 64 MiB of generated internal tour XML (bench_text.h). Two
// pairs of like-with-like cases:
//   File:   input file (in the page cache) to an output file on /dev/null;
//           the transcoder through transcodeTourXml, iconv reading the file
//           in 64 KiB blocks and writing each converted block with fwrite.
//   Memory: input already in memory to a FILE on /dev/null; the transcoder
//           line by line through transcodeLine, iconv over the whole buffer
//           in 64 KiB blocks.
// Each case reports bytes_per_second of input per second of the process's
// CPU time (steady on a busy machine) and its wall-clock time; bench/run.sh
// prints both ratios.
#include <benchmark/benchmark.h>
#include <iconv.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench_text.h"
#include "platform/files.h"
#include "encoding/transcoder.h"

namespace tourwright {
namespace bench {
namespace {

constexpr size_t kInputBytes = size_t{64} << 20;
constexpr size_t kBlockBytes = size_t{64} << 10;

struct Input {
  InternalTourXml xml;
  std::string path;  // the same bytes in a file
};

std::string gInputPath;

void removeInputFile() {
  if (!gInputPath.empty()) std::remove(gInputPath.c_str());
}

const Input& input() {
  static Input* made = [] {
    Input* in = new Input;
    in->xml = makeInternalTourXml(kInputBytes);
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tourwright-bench-XXXXXX";
    int fd = mkstemp(&pattern[0]);
    if (fd < 0) {
      std::perror("mkstemp");
      std::exit(1);
    }
    const std::string& text = in->xml.text;
    size_t written = 0;
    while (written < text.size()) {
      ssize_t n = write(fd, text.data() + written, text.size() - written);
      if (n <= 0) {
        std::perror("write");
        std::exit(1);
      }
      written += static_cast<size_t>(n);
    }
    close(fd);
    in->path = pattern;
    gInputPath = pattern;
    std::atexit(removeInputFile);
    return in;
  }();
  return *made;
}

void setCounters(benchmark::State& state) {
  const InternalTourXml& xml = input().xml;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(xml.text.size()));
  state.counters["input_MiB"] = static_cast<double>(xml.text.size()) / (1 << 20);
  state.counters["two_byte_share"] =
      static_cast<double>(xml.twoByteBytes) / static_cast<double>(xml.text.size());
  state.counters["references"] = static_cast<double>(xml.references);
}

// Converts `length` bytes with `converter` and writes the UTF-8 to `out`.
// Returns the number of input bytes left unconverted at the end (an
// incomplete two-byte code), or SIZE_MAX on an invalid sequence.
size_t iconvBlock(iconv_t converter, const char* bytes, size_t length, FILE* out) {
  static char converted[4 * kBlockBytes];
  char* in = const_cast<char*>(bytes);
  size_t inLeft = length;
  while (inLeft > 0) {
    char* outAt = converted;
    size_t outLeft = sizeof converted;
    size_t result = iconv(converter, &in, &inLeft, &outAt, &outLeft);
    std::fwrite(converted, 1, sizeof converted - outLeft, out);
    if (result == static_cast<size_t>(-1)) {
      if (errno == E2BIG) continue;
      if (errno == EINVAL) return inLeft;
      return SIZE_MAX;
    }
  }
  return 0;
}

void BM_TranscoderFile(benchmark::State& state) {
  const Input& in = input();
  FILE* quiet = std::fopen("/dev/null", "w");
  setConsoleOut(quiet);
  for (auto _ : state) {
    if (transcodeTourXml(in.path.c_str(), "/dev/null") != 0) {
      state.SkipWithError("transcodeTourXml failed");
      break;
    }
  }
  setConsoleOut(nullptr);
  std::fclose(quiet);
  setCounters(state);
}

void BM_IconvFile(benchmark::State& state) {
  const Input& in = input();
  static char block[kBlockBytes];
  for (auto _ : state) {
    iconv_t converter = iconv_open("UTF-8", "CP949");
    FILE* source = std::fopen(in.path.c_str(), "rb");
    FILE* out = std::fopen("/dev/null", "wb");
    std::fwrite("\xEF\xBB\xBF", 1, 3, out);
    size_t carried = 0;
    bool failed = false;
    for (;;) {
      size_t got = std::fread(block + carried, 1, sizeof block - carried, source);
      if (got == 0) break;
      size_t left = iconvBlock(converter, block, carried + got, out);
      if (left == SIZE_MAX) {
        failed = true;
        break;
      }
      std::memmove(block, block + carried + got - left, left);
      carried = left;
    }
    std::fclose(out);
    std::fclose(source);
    iconv_close(converter);
    if (failed || carried != 0) {
      state.SkipWithError("iconv rejected the input");
      break;
    }
  }
  setCounters(state);
}

void BM_TranscoderMemory(benchmark::State& state) {
  const std::string& text = input().xml.text;
  FILE* out = std::fopen("/dev/null", "w");
  for (auto _ : state) {
    const char* at = text.data();
    const char* end = at + text.size();
    while (at < end) {
      const char* feed = static_cast<const char*>(std::memchr(at, '\n', end - at));
      const char* next = feed ? feed + 1 : end;
      transcodeLine(at, static_cast<size_t>(next - at), out);
      at = next;
    }
    std::fflush(out);
  }
  std::fclose(out);
  setCounters(state);
}

void BM_IconvMemory(benchmark::State& state) {
  const std::string& text = input().xml.text;
  FILE* out = std::fopen("/dev/null", "w");
  for (auto _ : state) {
    iconv_t converter = iconv_open("UTF-8", "CP949");
    bool failed = false;
    for (size_t at = 0; at < text.size() && !failed;) {
      size_t length = text.size() - at < kBlockBytes ? text.size() - at : kBlockBytes;
      size_t left = iconvBlock(converter, text.data() + at, length, out);
      // A code cut at the block's end starts the next block.
      if (left == SIZE_MAX || left == length) failed = true;
      at += length - left;
    }
    std::fflush(out);
    iconv_close(converter);
    if (failed) {
      state.SkipWithError("iconv rejected the input");
      break;
    }
  }
  std::fclose(out);
  setCounters(state);
}

BENCHMARK(BM_TranscoderFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IconvFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TranscoderMemory)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IconvMemory)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace bench
}  // namespace tourwright

BENCHMARK_MAIN();
