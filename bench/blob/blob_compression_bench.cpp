// Compressing and decompressing 1 MiB of receipt-like text and of random
// bytes, each beside zlib at levels 1 and 6 on the same input. Throughput
// is bytes of the uncompressed value per second; the "stored" counter is
// the compressed size.
//
// Small values (1 byte, 100 bytes, 10 KB of the same receipt text), where
// the cost of starting each call counts: every iteration times a batch of
// our calls and a batch of zlib's on the same value (compress2 at level 6,
// uncompress), alternating which goes first; the counters give the time of
// one call of each in microseconds and their ratio (ours / zlib).

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <random>
#include <stdexcept>
#include <string>

#include "common/paired_timing.h"
#include "oracle/blob/blob_compression.h"

namespace {

constexpr std::size_t kSize = 1 << 20;

const std::string& Input(int kind) {
  static const std::string text = [] {
    std::mt19937 random(1);
    const char* items[] = {"ESPRESSO DOUBLE", "OAT MILK 1L",  "CROISSANT BUTTER", "GIFT CARD",
                           "SOURDOUGH LOAF",  "ORANGE JUICE", "BAG FEE",          "CHOC BAR 100G"};
    std::string s;
    while (s.size() < kSize) {
      s += "SKU " + std::to_string(100000 + random() % 900000) + "  " + items[random() % 8] + "  " +
           std::to_string(random() % 5 + 1) + " x " + std::to_string(random() % 2000) + "." +
           std::to_string(10 + random() % 90) + "\r\n";
      if (random() % 12 == 0) s += "SUBTOTAL\r\nTAX 8.25%\r\nTHANK YOU FOR SHOPPING WITH US\r\n";
    }
    s.resize(kSize);
    return s;
  }();
  static const std::string bytes = [] {
    std::mt19937 random(2);
    std::string s(kSize, '\0');
    for (char& c : s) c = static_cast<char>(random() & 0xFF);
    return s;
  }();
  return kind == 0 ? text : bytes;
}

void Label(benchmark::State& state, std::size_t stored) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
  state.counters["stored"] = static_cast<double>(stored);
  state.SetLabel(state.range(0) == 0 ? "receipt text" : "random bytes");
}

std::string Deflate(const std::string& in, int level) {
  uLongf size = compressBound(in.size());
  std::string out(size, '\0');
  if (compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                reinterpret_cast<const Bytef*>(in.data()), in.size(), level) != Z_OK) {
    throw std::runtime_error("compress2 failed");
  }
  out.resize(size);
  return out;
}

void BM_BlobCompress(benchmark::State& state) {
  const std::string& in = Input(static_cast<int>(state.range(0)));
  std::string stored;
  for (auto _ : state) {
    stored = oracle::blob::CompressBytes(in);
    benchmark::DoNotOptimize(stored.data());
  }
  Label(state, stored.size());
}

void BM_BlobDecompress(benchmark::State& state) {
  const std::string& in = Input(static_cast<int>(state.range(0)));
  const std::string stored = oracle::blob::CompressBytes(in);
  for (auto _ : state) {
    std::string value = oracle::blob::DecompressBytes(stored);
    benchmark::DoNotOptimize(value.data());
  }
  Label(state, stored.size());
}

void BM_ZlibCompress(benchmark::State& state) {
  const std::string& in = Input(static_cast<int>(state.range(0)));
  std::string stored;
  for (auto _ : state) {
    stored = Deflate(in, static_cast<int>(state.range(1)));
    benchmark::DoNotOptimize(stored.data());
  }
  Label(state, stored.size());
}

void BM_ZlibDecompress(benchmark::State& state) {
  const std::string& in = Input(static_cast<int>(state.range(0)));
  const std::string stored = Deflate(in, static_cast<int>(state.range(1)));
  std::string value(kSize, '\0');
  for (auto _ : state) {
    uLongf size = kSize;
    if (uncompress(reinterpret_cast<Bytef*>(value.data()), &size,
                   reinterpret_cast<const Bytef*>(stored.data()), stored.size()) != Z_OK) {
      state.SkipWithError("uncompress failed");
    }
    benchmark::DoNotOptimize(value.data());
  }
  Label(state, stored.size());
}

// Our calls and zlib's on one small value, `kBatch` of each per iteration.
constexpr int kBatch = 8;

void ReportSmall(benchmark::State& state, double ours, double zlib) {
  const double calls = static_cast<double>(state.iterations()) * kBatch;
  state.counters["ours_us"] = ours / calls * 1e6;
  state.counters["zlib_us"] = zlib / calls * 1e6;
  state.counters["ratio"] = zlib > 0 ? ours / zlib : 0;
  state.SetLabel(std::to_string(state.range(0)) + " bytes");
}

void BM_SmallCompress(benchmark::State& state) {
  const std::string in = Input(0).substr(0, static_cast<std::size_t>(state.range(0)));
  double ours = 0, zlib = 0;
  benchsupport::TimeAlternating(
      state, [] {},
      [&] {
        for (int i = 0; i < kBatch; ++i) benchmark::DoNotOptimize(oracle::blob::CompressBytes(in));
      },
      [&] {
        for (int i = 0; i < kBatch; ++i) benchmark::DoNotOptimize(Deflate(in, 6));
      },
      ours, zlib);
  ReportSmall(state, ours, zlib);
}

void BM_SmallDecompress(benchmark::State& state) {
  const std::string in = Input(0).substr(0, static_cast<std::size_t>(state.range(0)));
  const std::string stored = oracle::blob::CompressBytes(in);
  const std::string deflated = Deflate(in, 6);
  std::string value(in.size() + 1, '\0');
  double ours = 0, zlib = 0;
  benchsupport::TimeAlternating(
      state, [] {},
      [&] {
        for (int i = 0; i < kBatch; ++i) {
          benchmark::DoNotOptimize(oracle::blob::DecompressBytes(stored));
        }
      },
      [&] {
        for (int i = 0; i < kBatch; ++i) {
          uLongf size = value.size();
          if (uncompress(reinterpret_cast<Bytef*>(value.data()), &size,
                         reinterpret_cast<const Bytef*>(deflated.data()),
                         deflated.size()) != Z_OK) {
            throw std::runtime_error("uncompress failed");
          }
          benchmark::DoNotOptimize(value.data());
        }
      },
      ours, zlib);
  ReportSmall(state, ours, zlib);
}

BENCHMARK(BM_SmallCompress)->Arg(1)->Arg(100)->Arg(10240);
BENCHMARK(BM_SmallDecompress)->Arg(1)->Arg(100)->Arg(10240);
BENCHMARK(BM_BlobCompress)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibCompress)
    ->Args({0, 1})
    ->Args({0, 6})
    ->Args({1, 1})
    ->Args({1, 6})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlobDecompress)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ZlibDecompress)
    ->Args({0, 1})
    ->Args({0, 6})
    ->Args({1, 1})
    ->Args({1, 6})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
