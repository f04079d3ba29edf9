// Writes the cut-out test scene as a PNG, to look at or to try the program on:
//   cutout_scene_tool WIDTH HEIGHT scene.png [alpha.png]
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/png_writer.h"
#include "tests/panel/cutout_scene.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: %s WIDTH HEIGHT scene.png [alpha.png]\n", argv[0]);
    return 2;
  }
  const cutout_scene::Scene scene = cutout_scene::make(std::atoi(argv[1]), std::atoi(argv[2]));
  if (!platform::write_png(argv[3], scene.pixels.data(), scene.width, scene.height)) return 1;
  if (argc > 4) {
    std::vector<uint32_t> grey(scene.alpha.size());
    for (size_t i = 0; i < grey.size(); ++i) grey[i] = scene.alpha[i] * 0x010101u;
    if (!platform::write_png(argv[4], grey.data(), scene.width, scene.height)) return 1;
  }
  return 0;
}
