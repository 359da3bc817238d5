#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "toolkit/graphics.h"

namespace {

// The map view at capacity: a 1280 x 800 bitmap, 99,999 point marks and
// about 200,000 short road lines, drawn with the calls the view makes.
constexpr int kWidth = 1280;
constexpr int kHeight = 800;
constexpr int kPoints = 99999;
constexpr int kColumns = 400;  // 250 rows of junctions, 3.2 pixels apart

struct Position {
  int x;
  int y;
};

struct Line {
  Position from;
  Position to;
};

// A map like the capacity map, in file order: junctions on a jittered grid
// filling the view, each joined to its east and south neighbours.
void MakeGridMap(std::vector<Position>& points, std::vector<Line>& lines) {
  std::mt19937 random(2024);
  std::uniform_int_distribution<int> jitter(-1, 1);
  for (int i = 0; i < kPoints; ++i) {
    points.push_back({std::clamp(i % kColumns * kWidth / kColumns + 1 + jitter(random), 0, kWidth - 1),
                      std::clamp(i / kColumns * kWidth / kColumns + 1 + jitter(random), 0, kHeight - 1)});
  }
  for (int i = 0; i < kPoints; ++i) {
    if (i % kColumns != kColumns - 1 && i + 1 < kPoints) lines.push_back({points[i], points[i + 1]});
    if (i + kColumns < kPoints) lines.push_back({points[i], points[i + kColumns]});
  }
}

// The worst case for memory access: as many junctions and lines, scattered
// at random over the view, lines up to 8 pixels long in each direction.
void MakeScatteredMap(std::vector<Position>& points, std::vector<Line>& lines) {
  std::mt19937 random(2024);
  std::uniform_int_distribution<int> x(0, kWidth - 1);
  std::uniform_int_distribution<int> y(0, kHeight - 1);
  std::uniform_int_distribution<int> delta(-8, 8);
  for (int i = 0; i < kPoints; ++i) points.push_back({x(random), y(random)});
  for (int i = 0; i < 2 * kPoints; ++i) {
    const Position from{x(random), y(random)};
    lines.push_back({from,
                     {std::clamp(from.x + delta(random), 0, kWidth - 1),
                      std::clamp(from.y + delta(random), 0, kHeight - 1)}});
  }
}

struct ViewScene {
  std::vector<Position> points;
  std::vector<Line> lines;
  TBitmap bitmap;
  TCanvas* canvas = bitmap.GetCanvas();

  explicit ViewScene(bool scattered) {
    (scattered ? MakeScatteredMap : MakeGridMap)(points, lines);
    bitmap.Width(kWidth);
    bitmap.Height(kHeight);
  }

  void FillBackground() {
    canvas->Brush()->SetColor(clWindow);
    canvas->FillRect(TRect(0, 0, kWidth, kHeight));
  }

  void DrawLines() {
    for (size_t i = 0; i < lines.size(); ++i) {
      canvas->Pen()->SetColor(i % 8 == 0 ? clRed : clBlack);
      canvas->MoveTo(lines[i].from.x, lines[i].from.y);
      canvas->LineTo(lines[i].to.x, lines[i].to.y);
    }
  }

  // Each point as a dot in a 3 x 3 mark; every thousandth also gets the
  // 5 x 5 disc of the start and current points.
  void DrawPointMarks() {
    for (size_t i = 0; i < points.size(); ++i) {
      const auto [x, y] = points[i];
      const TColor color = i % 8 == 0 ? clRed : clBlack;
      if (i % 1000 == 0) {
        canvas->Brush()->SetStyle(bsSolid);
        canvas->Brush()->SetColor(clBlue);
        canvas->Ellipse(x - 2, y - 2, x + 3, y + 3);
      }
      canvas->SetPixel(x, y, color);
      canvas->Pen()->SetColor(color);
      canvas->Brush()->SetStyle(bsSolid);
      canvas->Brush()->SetColor(color);
      canvas->Ellipse(x - 1, y - 1, x + 2, y + 2);
    }
  }
};

// Argument 0: the grid map; 1: the scattered worst case.
void SceneArguments(benchmark::internal::Benchmark* benchmark) {
  benchmark->ArgName("scattered")->Arg(0)->Arg(1);
}

void BM_FillBackground(benchmark::State& state) {
  ViewScene scene(false);
  for (auto _ : state) {
    scene.FillBackground();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_FillBackground)->Unit(benchmark::kMicrosecond);

void BM_ShortLines(benchmark::State& state) {
  ViewScene scene(state.range(0) != 0);
  for (auto _ : state) {
    scene.DrawLines();
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(scene.lines.size()));
}
BENCHMARK(BM_ShortLines)->Apply(SceneArguments)->Unit(benchmark::kMicrosecond);

void BM_PointMarks(benchmark::State& state) {
  ViewScene scene(state.range(0) != 0);
  for (auto _ : state) {
    scene.DrawPointMarks();
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_PointMarks)->Apply(SceneArguments)->Unit(benchmark::kMicrosecond);

// All of it, as one redraw of the view at capacity (the target: under 5 ms
// for the grid map).
void BM_ViewAtCapacity(benchmark::State& state) {
  ViewScene scene(state.range(0) != 0);
  for (auto _ : state) {
    scene.FillBackground();
    scene.DrawLines();
    scene.DrawPointMarks();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ViewAtCapacity)->Apply(SceneArguments)->Unit(benchmark::kMillisecond);

}  // namespace
