// Speed of the conversion core at the window's start-up size, 320 x 240:
// each encoder on a photo-like and on a flat grid, the sampling of a frame
// (nearest and box), the reduction with each kind of dithering, and the
// indexed formats' quantiser on a photo. Items are output pixels, so
// items_per_second reads as pixels per second.
#include "convert/boxfilter.h"
#include "convert/dither.h"
#include "convert/encoders.h"
#include "convert/greylevel.h"
#include "convert/pixelformat.h"
#include "convert/quantise.h"
#include "convert/reduceframe.h"
#include "convert/sampling.h"
#include "platform/picturefile.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <tuple>
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
    return reduceFrame(viewOf(pixels, Width, Height), ReductionRequest { .frame = frame, .format = format });
}

PixelGrid flatGrid(PixelFormat format)
{
    PixelGrid grid(Width, Height);
    const std::int32_t value = reduceColour(format, 0x406080);
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
    FrameReducer reducer(source, ReductionRequest { .frame = frame, .format = format });
    PixelGrid grid(Width, Height);
    for (auto _ : state) {
        for (int row = 1; row <= Height; ++row)
            reducer.reduceRow(row, grid);
        benchmark::DoNotOptimize(grid.values().data());
    }
    state.SetItemsProcessed(state.iterations() * Width * Height);
}

// Sampling the frame's colours, unreduced: the box filter reads every source
// pixel under the frame (at scale 2.7 a frame of 864 x 648 pixels).
void colourSamplingBenchmark(benchmark::State& state, double step, SampleFilter filter)
{
    const auto pixels = photoLikePixels(static_cast<int>(Width * step) + 20, static_cast<int>(Height * step) + 20);
    const SourceImage source = viewOf(pixels, static_cast<int>(Width * step) + 20, static_cast<int>(Height * step) + 20);
    const FrameSettings frame { Width, Height, step, 10, 10 };
    ColourSampler sampler(source, frame, filter);
    PixelGrid grid(Width, Height);
    for (auto _ : state) {
        for (int row = 1; row <= Height; ++row)
            sampler.sampleRow(row, grid.row(row));
        benchmark::DoNotOptimize(grid.values().data());
    }
    state.SetItemsProcessed(state.iterations() * Width * Height);
}

// Reducing a photo-like frame of sampled colours to a format.
void reduceBenchmark(benchmark::State& state, PixelFormat format, Dither dither)
{
    static const auto pixels = photoLikePixels(Width, Height);
    const PixelGrid colours = sampleColours(viewOf(pixels, Width, Height), { Width, Height, 1.0, -1, -1 }, SampleFilter::Nearest);
    for (auto _ : state) {
        const PixelGrid reduced = reduceColours(colours, format, dither);
        benchmark::DoNotOptimize(reduced.values().data());
    }
    state.SetItemsProcessed(state.iterations() * Width * Height);
}

// The middle 320 x 240 of examples/sample.jpg (400 x 300), sampled.
const PixelGrid& photoFrame()
{
    static const PixelGrid colours = [] {
        const PictureLoadResult picture = loadPicture(QStringLiteral(RASTERKIT_SAMPLE_PHOTO));
        if (!picture.ok())
            return PixelGrid();
        return sampleColours(sourceImageOf(picture.image), { Width, Height, 1.0, 40, 30 }, SampleFilter::Nearest);
    }();
    return colours;
}

// The quantiser alone: a palette of so many colours chosen for the photo
// frame's samples (counted, median cut, k-means).
void paletteBenchmark(benchmark::State& state, int entries)
{
    const PixelGrid& colours = photoFrame();
    if (colours.isEmpty()) {
        state.SkipWithError("examples/sample.jpg cannot be read");
        return;
    }
    std::size_t size = 0;
    for (auto _ : state) {
        ColourHistogram histogram;
        countSamples(histogram, colours.values(), ColourOrder::Rgb);
        const Palette palette = choosePalette(histogram, entries);
        size = palette.size();
        benchmark::DoNotOptimize(palette.data());
    }
    state.SetItemsProcessed(state.iterations() * Width * Height);
    state.counters["colours"] = static_cast<double>(size);
}

// An indexed format's whole reduction of the photo frame: the palette
// chosen, then every sample brought into it.
void photoReduceBenchmark(benchmark::State& state, PixelFormat format, Dither dither)
{
    const PixelGrid& colours = photoFrame();
    if (colours.isEmpty()) {
        state.SkipWithError("examples/sample.jpg cannot be read");
        return;
    }
    for (auto _ : state) {
        const PixelGrid reduced = reduceColours(colours, format, dither);
        benchmark::DoNotOptimize(reduced.values().data());
    }
    state.SetItemsProcessed(state.iterations() * Width * Height);
}

// The whole frame of the window's start-up size, sampled, turned as a panel
// mounted so asks, reduced and encoded: what turning costs over not turning.
void turnedFrameBenchmark(benchmark::State& state, Rotation rotation, Mirror mirror)
{
    static const auto pixels = photoLikePixels(Width, Height);
    const ReductionRequest request { .frame = { Width, Height, 1.0, -1, -1 }, .format = PixelFormat::RGB565,
        .orientation = { rotation, mirror } };
    for (auto _ : state) {
        const OutputBytes bytes = encode(request.format, reduceFrame(viewOf(pixels, Width, Height), request));
        benchmark::DoNotOptimize(bytes.data());
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
    for (const double step : { 1.5, 2.7, 5.0 }) {
        const std::string scale = step == 1.5 ? "1.5" : step == 2.7 ? "2.7" : "5";
        benchmark::RegisterBenchmark(("colours/nearest/scale" + scale).c_str(), colourSamplingBenchmark, step, SampleFilter::Nearest);
        benchmark::RegisterBenchmark(("colours/box/scale" + scale).c_str(), colourSamplingBenchmark, step, SampleFilter::Box);
    }
    for (const PixelFormat format : { PixelFormat::RGB565, PixelFormat::RGB332, PixelFormat::Y5x3, PixelFormat::Mono1,
             PixelFormat::Grey4 }) {
        for (const Dither dither : AllDithers) {
            const std::string name = "reduce/" + std::string(formatInfo(format).shortName) + "/" + std::string(ditherName(dither));
            benchmark::RegisterBenchmark(name.c_str(), reduceBenchmark, format, dither);
        }
    }
    benchmark::RegisterBenchmark("palette/photo/256", paletteBenchmark, 256)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("palette/photo/16", paletteBenchmark, 16)->Unit(benchmark::kMillisecond);
    for (const PixelFormat format : AllPixelFormats) {
        if (formatInfo(format).paletteEntries() == 0)
            continue;
        for (const Dither dither : AllDithers) {
            const std::string name = "reduce/" + std::string(formatInfo(format).shortName) + "/photo/" + std::string(ditherName(dither));
            benchmark::RegisterBenchmark(name.c_str(), photoReduceBenchmark, format, dither)->Unit(benchmark::kMillisecond);
        }
    }
    for (const auto& [name, rotation, mirror] : { std::tuple { "frame/rgb565/upright", Rotation::None, Mirror::None },
             std::tuple { "frame/rgb565/turned90", Rotation::Quarter, Mirror::None },
             std::tuple { "frame/rgb565/turned180mirrored", Rotation::Half, Mirror::Horizontal } })
        benchmark::RegisterBenchmark(name, turnedFrameBenchmark, rotation, mirror);
}

} // namespace

int main(int argc, char** argv)
{
    // As rasterkit-cli's batches run: blocks freed are kept for the next
    // conversion rather than handed back to the system and faulted in again,
    // so that each benchmark measures the conversion, not the page faults
    // of its fresh grids.
    ::mallopt(M_MMAP_THRESHOLD, 32 << 20);
    ::mallopt(M_TRIM_THRESHOLD, 128 << 20);
    registerBenchmarks();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
