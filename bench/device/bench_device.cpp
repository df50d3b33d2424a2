// Speed of the device decoder on the host at the window's start-up size,
// 320 x 240: every row of a checked stream (rk_decoder_row, or
// rk_decoder_row_alpha, and with rk_blend_row over a background), and the
// whole-stream check of rk_decoder_init, for "RGB 5:6:5x8" and the index
// and alpha formats. Items are pixels, so items_per_second reads as pixels
// per second. After the run a table gives each row benchmark's speed as a
// multiple of "RGB 5:6:5x8" rows of the photo-like frame (with
// --benchmark_repetitions=N, of the medians).
//
// The "RGB 5:6:5x8" streams come from the core (a photo-like frame and a
// flat one); the index and alpha streams are laid out here as the format
// describes them, since their decoding time does not depend on the picture.

#include "convert/encoders.h"
#include "convert/reduceframe.h"
#include "rasterkit_decode.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace rasterkit;

constexpr int Width = 320;
constexpr int Height = 240;
constexpr const char* Baseline = "rows/rgb565x8/photo";

using Bytes = std::vector<std::uint8_t>;

// A smooth picture with gradients, an edge and a little noise: after
// reduction, the short uneven runs of a real photo.
Bytes photoLikeFile(PixelFormat format)
{
    Bytes pixels(static_cast<std::size_t>(Width) * Height * 4);
    std::mt19937 random(12345);
    std::normal_distribution<double> noise(0.0, 2.0);
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) {
            const double sky = 120 + 90 * std::sin(x * 0.013) * std::cos(y * 0.021);
            const double hill = y > Height / 2 + 30 * std::sin(x * 0.05) ? 60.0 : 0.0;
            const double channels[3] = { sky - hill, sky * 0.8 + hill, 200 - sky * 0.5 };
            for (int c = 0; c < 3; ++c)
                pixels[(static_cast<std::size_t>(y) * Width + x) * 4 + c] = static_cast<std::uint8_t>(std::clamp(channels[c] + noise(random), 0.0, 255.0));
        }
    }
    const SourceImage source { Width, Height, pixels.data(), static_cast<std::ptrdiff_t>(Width) * 4 };
    return encode(format, reduceFrame(source, ReductionRequest { .frame = { Width, Height, 1.0, -1, -1 }, .format = format }));
}

Bytes flatFile(PixelFormat format)
{
    PixelGrid grid(Width, Height);
    for (auto& value : grid.values())
        value = reduceColour(format, 0x406080);
    return encode(format, grid);
}

// "Index n": 2^n palette words, then rows of ceil(320 n / 8) bytes of
// indices that change every few pixels over every entry.
Bytes indexFile(int bits)
{
    Bytes file;
    for (int entry = 0; entry < (1 << bits); ++entry) {
        const auto colour = static_cast<std::uint16_t>(0x1000 + entry * 0x0841);
        file.push_back(static_cast<std::uint8_t>(colour >> 8));
        file.push_back(static_cast<std::uint8_t>(colour));
    }
    const int stride = (Width * bits + 7) / 8;
    for (int y = 0; y < Height; ++y) {
        Bytes row(static_cast<std::size_t>(stride));
        for (int x = 0; x < Width; ++x) {
            const unsigned index = static_cast<unsigned>(x / 3 + y / 2) & ((1u << bits) - 1);
            row[static_cast<std::size_t>(x * bits / 8)] |= static_cast<std::uint8_t>(index << (8 - bits - x * bits % 8));
        }
        file.insert(file.end(), row.begin(), row.end());
    }
    return file;
}

// "RGB 5:6:5 A8": an icon-like picture, transparent around, opaque inside,
// soft between; or "A 8", its alphas alone.
Bytes alphaFile(bool withColours)
{
    Bytes colours, alphas;
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) {
            const double distance = std::hypot(x - Width / 2.0, y - Height / 2.0);
            const auto alpha = static_cast<std::uint8_t>(std::clamp((100.0 - distance) * 16.0, 0.0, 255.0));
            const auto colour = static_cast<std::uint16_t>(alpha == 0 ? 0 : 0xF800 | (x & 0x3F) << 5 | (y & 0x1F));
            colours.push_back(static_cast<std::uint8_t>(colour >> 8));
            colours.push_back(static_cast<std::uint8_t>(colour));
            alphas.push_back(alpha);
        }
    }
    if (!withColours)
        return alphas;
    colours.insert(colours.end(), alphas.begin(), alphas.end());
    return colours;
}

enum class Reading { Rows, AlphaRows, Blended };

// Every row of the checked stream, from a copy of the decoder made ready once.
void rowsBenchmark(benchmark::State& state, int format, const Bytes& file, Reading reading)
{
    rk_decoder ready;
    if (rk_decoder_init(&ready, file.data(), file.size(), format, Width, Height, RK_BIG_ENDIAN) != RK_OK) {
        state.SkipWithError("the stream is refused");
        return;
    }
    std::vector<std::uint16_t> colours(Width), background(Width, 0x4208);
    std::vector<std::uint8_t> alphas(Width);
    for (auto _ : state) {
        rk_decoder decoder = ready;
        int rc = RK_OK;
        while (rc == RK_OK) {
            if (reading == Reading::Rows) {
                rc = rk_decoder_row(&decoder, colours.data());
            } else {
                rc = rk_decoder_row_alpha(&decoder, colours.data(), alphas.data());
                if (reading == Reading::Blended && rc == RK_OK)
                    rk_blend_row(background.data(), colours.data(), alphas.data(), Width);
            }
            benchmark::DoNotOptimize(colours.data());
            benchmark::DoNotOptimize(background.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * Width * Height);
    state.counters["bytes"] = static_cast<double>(file.size());
}

// rk_decoder_init's check of the whole stream.
void initBenchmark(benchmark::State& state, int format, const Bytes& file)
{
    for (auto _ : state) {
        rk_decoder decoder;
        benchmark::DoNotOptimize(rk_decoder_init(&decoder, file.data(), file.size(), format, Width, Height, RK_BIG_ENDIAN));
    }
    state.SetItemsProcessed(state.iterations() * Width * Height);
}

// The console's output, then each row benchmark's pixels per second as a
// multiple of the baseline's.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        // Each run's rate; with --benchmark_repetitions the median, which
        // is reported after the runs it sums up.
        for (const Run& run : runs) {
            const auto rate = run.counters.find("items_per_second");
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if ((run.run_type == Run::RT_Iteration || median) && !run.error_occurred && rate != run.counters.end())
                m_rates[run.run_name.function_name] = rate->second.value;
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        const auto baseline = m_rates.find(Baseline);
        if (baseline == m_rates.end())
            return;
        std::printf("\n%-32s %14s %10s\n", "rows of 320 x 240", "Mpixel/s", "x rgb565x8");
        for (const auto& [name, rate] : m_rates) {
            if (name.starts_with("rows/") || name.starts_with("alpha-rows/") || name.starts_with("blended/"))
                std::printf("%-32s %14.1f %10.2f\n", name.c_str(), rate / 1e6, rate / baseline->second);
        }
    }

private:
    std::map<std::string, double> m_rates;
};

void registerBenchmarks()
{
    static const Bytes photo = photoLikeFile(PixelFormat::RGB565x8);
    static const Bytes flat = flatFile(PixelFormat::RGB565x8);
    static const Bytes index4 = indexFile(4), index1 = indexFile(1), index8 = indexFile(8);
    static const Bytes withAlpha = alphaFile(true), alphaOnly = alphaFile(false);
    benchmark::RegisterBenchmark(Baseline, rowsBenchmark, RK_RGB565X8, photo, Reading::Rows);
    benchmark::RegisterBenchmark("rows/rgb565x8/flat", rowsBenchmark, RK_RGB565X8, flat, Reading::Rows);
    benchmark::RegisterBenchmark("rows/i1", rowsBenchmark, RK_I1, index1, Reading::Rows);
    benchmark::RegisterBenchmark("rows/i4", rowsBenchmark, RK_I4, index4, Reading::Rows);
    benchmark::RegisterBenchmark("rows/i8", rowsBenchmark, RK_I8, index8, Reading::Rows);
    benchmark::RegisterBenchmark("rows/rgb565a8", rowsBenchmark, RK_RGB565A8, withAlpha, Reading::Rows);
    benchmark::RegisterBenchmark("alpha-rows/rgb565a8", rowsBenchmark, RK_RGB565A8, withAlpha, Reading::AlphaRows);
    benchmark::RegisterBenchmark("alpha-rows/a8", rowsBenchmark, RK_A8, alphaOnly, Reading::AlphaRows);
    benchmark::RegisterBenchmark("blended/rgb565a8", rowsBenchmark, RK_RGB565A8, withAlpha, Reading::Blended);
    benchmark::RegisterBenchmark("init/rgb565x8/photo", initBenchmark, RK_RGB565X8, photo);
    benchmark::RegisterBenchmark("init/i4", initBenchmark, RK_I4, index4);
    benchmark::RegisterBenchmark("init/rgb565a8", initBenchmark, RK_RGB565A8, withAlpha);
}

} // namespace

int main(int argc, char** argv)
{
    registerBenchmarks();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
