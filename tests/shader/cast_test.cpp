// castRay: the ground plane, the bounding box, the tunnel wall and the march.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/shader/shader_probe.hpp"

namespace {

using shadertest::ShaderProbe;

struct Ray {
  const char* what;
  float time;       // sceneTime
  float open;       // openFlag
  double o[3];      // origin
  double d[3];      // direction, normalised by the probe
  double distance;  // expected, before normalising d: computed below where 0
  float material;
  bool marches;     // whether any distance evaluation is expected
};

std::string vec3_text(const double v[3]) {
  char text[128];
  std::snprintf(text, sizeof text, "vec3(%.9g, %.9g, %.9g)", v[0], v[1], v[2]);
  return text;
}

// Each case in a fresh probe state: glows at 1e9, the open box size reset.
std::vector<float> cast(const Ray* rays, int count) {
  std::string probe = "void main() {\n";
  for (int i = 0; i < count; ++i) {
    const Ray& r = rays[i];
    const std::string s = std::to_string(4 * i);
    probe += "    sceneTime = " + std::to_string(r.time) + "; openFlag = " + std::to_string(r.open) +
             "; lampGlow = 1e9; warmGlow = 1e9; boundsHalfSize = vec3(60.0, 2.0, 2.5);\n";
    probe += "    { vec2 hit = castRay(" + vec3_text(r.o) + ", normalize(" + vec3_text(r.d) + "));\n";
    probe += "      probeStore(" + s + ", hit.x); probeStore(" + s + " + 1, hit.y);\n";
    probe += "      probeStore(" + s + " + 2, lampGlow); probeStore(" + s + " + 3, warmGlow); }\n";
  }
  probe += "}\n";
  ShaderProbe p(probe, 4 * count);
  EXPECT_TRUE(p.ok()) << p.log();
  return p.run(30 * 44100, 960, 540);
}

double unit_y(const double d[3]) { return d[1] / std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]); }
double unit_z(const double d[3]) { return d[2] / std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]); }

TEST(CastRay, PlaneBoxAndTunnelWall) {
  // Directions keep every component non-zero: the slab test divides by them.
  const Ray rays[] = {
      {"down onto the road between the lane lines", 20, 1, {10, 3, 1.4}, {1e-3, -1, 1e-3}, 0, 0, true},
      {"down from height 30, through the open box", 20, 1, {12, 30, 1.4}, {1e-3, -1, 1e-3}, 0, 0, true},
      {"down onto the plane beside the box", 20, 1, {0, 10, 100}, {1e-3, -1, 1e-3}, 0, 0, false},
      {"up from above the box: nothing", 20, 1, {0, 10, 0}, {1e-3, 1, 1e-3}, 1e9, -1, false},
      {"a plane crossing 200 units ahead", 20, 1, {5, 2, 1.4}, {1, -0.01, 1e-3}, 0, 0, true},
      {"tunnel: up onto the ceiling", 60, 0, {30, 1, 1.4}, {1e-2, 1, 1e-2}, 0, 1, true},
      {"open road: the same ray escapes", 60, 1, {30, 1, 1.4}, {1e-2, 1, 1e-2}, 1e9, -1, true},
      {"tunnel: from beyond the side wall, the far wall", 60, 0, {30, 1.2, -3.5}, {1e-3, 1e-3, 1}, 0, 1, true},
  };
  const int n = static_cast<int>(std::size(rays));
  const auto r = cast(rays, n);
  for (int i = 0; i < n; ++i) {
    const Ray& ray = rays[i];
    SCOPED_TRACE(ray.what);
    double expected = ray.distance;
    if (ray.material == 0) expected = -ray.o[1] / unit_y(ray.d);           // the plane
    if (ray.material == 1 && ray.d[1] > 0.5) expected = (2.9 - ray.o[1]) / unit_y(ray.d);  // ceiling
    if (ray.material == 1 && ray.d[2] > 0.5) expected = (2.5 - ray.o[2]) / unit_z(ray.d);  // far side wall
    EXPECT_NEAR(r[4 * i], expected, 1e-5 * expected);
    EXPECT_EQ(r[4 * i + 1], ray.material);
    const bool marched = r[4 * i + 2] < 1e9f;
    EXPECT_EQ(marched, ray.marches) << "lamp distance seen " << r[4 * i + 2];
    if (!ray.marches) {
      EXPECT_EQ(r[4 * i + 3], 1e9f);
    }
  }
}

// The march finds the vehicle inside its mask box (below y = 1.5); from above it,
// where the vehicle is not evaluated, the first step can carry a ray past the roof.
TEST(CastRay, MarchFindsTheVehicleBodyAndTheLamps) {
  const Ray rays[] = {
      {"down onto the roof from inside the mask box", 20, 1, {-0.3, 1.4, 1e-3}, {1e-3, -1, 1e-3}, 0, 4, true},
      {"backwards through the slot onto the outer right lamp", 20, 1, {3, 0.28, 0.35}, {-1, 1e-4, 1e-4}, 0, 5, true},
  };
  const auto r = cast(rays, 2);
  EXPECT_EQ(r[1], 4.0f);
  EXPECT_GT(r[0], 1.4f - 0.65f);  // the roof lies between y = 0.45 and 0.65 there
  EXPECT_LT(r[0], 1.4f - 0.45f);
  EXPECT_EQ(r[5], 5.0f);
  EXPECT_NEAR(r[4], 3.0 - 0.87 - 0.045, 1e-3);  // the sphere at x = 0.87, z = 0.35
  EXPECT_LT(r[6], 1e-3f) << "the lamp glow has reached the lamp's surface";
}

}  // namespace
