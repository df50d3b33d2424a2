// Speed of the conversion core at the window's start-up size, 320 x 240:
// each encoder on a photo-like and on a flat grid, and the sampling of a
// frame. Items are pixels, so items_per_second reads as pixels per second.
#include "convert/encoders.h"
#include "convert/greylevel.h"
#include "convert/pixelformat.h"
#include "convert/sampling.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace {

using namespace rasterkit;

constexpr int Width = 320;
constexpr int Height = 240;

// A smooth picture with gentle gradients, a few edges and a little sensor
// noise: after reduction it has the short, uneven runs of a real photo.
std::vector<std::uint8_t> photoLikePixels(int width, int height)
{
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(width) * height * 4);
    std::mt19937 random(12345);
    std::normal_distribution<double> noise(0.0, 2.0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double sky = 120 + 90 * std::sin(x * 0.013) * std::cos(y * 0.021);
            const double hill = y > height / 2 + 30 * std::sin(x * 0.05) ? 60.0 : 0.0;
            std::uint8_t* pixel = &bytes[(static_cast<std::size_t>(y) * width + x) * 4];
            const double channels[3] = { sky - hill, sky * 0.8 + hill, 200 - sky * 0.5 };
            for (int c = 0; c < 3; ++c)
                pixel[c] = static_cast<std::uint8_t>(std::clamp(channels[c] + noise(random), 0.0, 255.0));
            pixel[3] = 255;
        }
    }
    return bytes;
}

SourceImage viewOf(const std::vector<std::uint8_t>& bytes, int width, int height)
{
    return SourceImage { width, height, bytes.data(), static_cast<std::ptrdiff_t>(width) * 4 };
}

PixelGrid photoLikeGrid(PixelFormat format)
{
    static const auto pixels = photoLikePixels(Width, Height);
    FrameSettings frame { Width, Height, 1.0, -1, -1 };
    return sampleFrame(viewOf(pixels, Width, Height), frame, formatIndex(format));
}

PixelGrid flatGrid(PixelFormat format)
{
    PixelGrid grid(Width, Height);
    const std::int32_t value = format == PixelFormat::Y5x3 ? GreyLevel(0x406080)
                                                             : static_cast<std::int32_t>(0x406080 & formatInfo(format).reductionMask);
    for (auto& element : grid.values())
        element = value;
    return grid;
}

void encodeBenchmark(benchmark::State& state, PixelFormat format, bool photoLike)
{
    const PixelGrid grid = photoLike ? photoLikeGrid(format) : flatGrid(format);
    std::size_t size = 0;
    for (auto _ : state) {
        const OutputBytes bytes = encode(format, grid);
        size = bytes.size();
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetItemsProcessed(state.iterations() * Width * Height);
    state.counters["bytes"] = static_cast<double>(size);
}

void samplingBenchmark(benchmark::State& state, double step, PixelFormat format)
{
    const auto pixels = photoLikePixels(2 * Width, 2 * Height);
    const SourceImage source = viewOf(pixels, 2 * Width, 2 * Height);
    const FrameSettings frame { Width, Height, step, 10, 10 };
    const Sampler sampler(source, frame, formatIndex(format));
    PixelGrid grid(Width, Height);
    for (auto _ : state) {
        for (int row = 1; row <= Height; ++row)
            sampler.sampleRow(row, grid);
        benchmark::DoNotOptimize(grid.values().data());
    }
    state.SetItemsProcessed(state.iterations() * Width * Height);
}

void registerBenchmarks()
{
    for (const PixelFormat format : AllPixelFormats) {
        const std::string name(formatInfo(format).shortName);
        benchmark::RegisterBenchmark(("encode/" + name + "/photo").c_str(), encodeBenchmark, format, true);
        benchmark::RegisterBenchmark(("encode/" + name + "/flat").c_str(), encodeBenchmark, format, false);
    }
    benchmark::RegisterBenchmark("sample/rgb565/scale1", samplingBenchmark, 1.0, PixelFormat::RGB565);
    benchmark::RegisterBenchmark("sample/rgb565/scale1.5", samplingBenchmark, 1.5, PixelFormat::RGB565);
    benchmark::RegisterBenchmark("sample/y5x3/scale1", samplingBenchmark, 1.0, PixelFormat::Y5x3);
}

} // namespace

int main(int argc, char** argv)
{
    registerBenchmarks();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
