// The program's own functions, called from a probe entry point: the numbers the
// picture is built from.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tests/shader/shader_probe.hpp"

namespace {

using shadertest::ShaderProbe;

// One pixel at the centre of the frame runs every probe below.
std::vector<float> run_once(const std::string& probe, int slots) {
  ShaderProbe p(probe, slots);
  EXPECT_TRUE(p.ok()) << p.log();
  return p.run(30 * 44100, 960, 540);
}

TEST(SkyColour, StraightAheadAndHalfUpIsTheBrightBandCore) {
  const auto r = run_once("void main() { probeStore3(0, skyColour(vec3(0.866, 0.5, 0.0), vec3(0.0))); }", 3);
  // band (13, 3.1, 0.9) + base (0, 0, 0.28) + zenith glow 0.5 * 0.5^8 * warmColour
  const double zenith = 0.5 * std::pow(0.5, 8.0);
  EXPECT_NEAR(r[0], 13.0 + zenith * 1.2, 1e-3);
  EXPECT_NEAR(r[1], 3.1 + zenith * 0.3, 1e-3);
  EXPECT_NEAR(r[2], 0.9 + 0.28 + zenith * 0.1, 1e-3);
}

// Every direction at or below the horizon is under the second ridge.
TEST(SkyColour, AtOrBelowTheHorizonIsTheDimWarmTone) {
  const char* directions[] = {
      "vec3(1.0, 0.0, 0.0)",        "vec3(0.0, 0.0, 1.0)",         "vec3(-0.7071, 0.0, -0.7071)",
      "vec3(0.6, -0.8, 0.0)",       "vec3(-0.3, -0.2, 0.9327)",    "vec3(0.01, -0.99995, 0.0)",
      "vec3(0.9999, -0.01, 0.01)",  "vec3(-0.5, -0.5, -0.7071)",
  };
  std::string probe = "void main() {\n";
  int slot = 0;
  for (const char* d : directions) {
    probe += "    probeStore3(" + std::to_string(slot) + ", skyColour(" + d + ", vec3(0.0)));\n";
    slot += 3;
  }
  probe += "}\n";
  const auto r = run_once(probe, slot);
  const float warm[3] = {1.2f, 0.3f, 0.1f};
  for (int i = 0; i < slot; ++i) {
    EXPECT_EQ(r[i], 0.01f * warm[i % 3]) << directions[i / 3] << " channel " << i % 3;
  }
}

TEST(SkyColour, TheBandIsANarrowStripStraightAhead) {
  // At azimuth 0.0637 the band coordinate is 0.9, where the wide band begins; at
  // 0.2 there is only the blue base and the zenith glow.
  const auto r = run_once(
      "void main() {\n"
      "    float y = 0.5, c = sqrt(1.0 - y * y);\n"
      "    probeStore3(0, skyColour(vec3(c * cos(0.0637), y, c * sin(0.0637)), vec3(0.0)));\n"
      "    probeStore3(3, skyColour(vec3(c * cos(0.2), y, -c * sin(0.2)), vec3(0.0)));\n"
      "}\n",
      6);
  const double base = 0.1 * (5 * 0.5 + 0.3), zenith = 0.5 * std::pow(0.5, 8.0);
  for (int i = 0; i < 2; ++i) {
    EXPECT_NEAR(r[3 * i + 0], zenith * 1.2, 2e-3) << i;
    EXPECT_NEAR(r[3 * i + 1], zenith * 0.3, 2e-3) << i;
    EXPECT_NEAR(r[3 * i + 2], base + zenith * 0.1, 2e-3) << i;
  }
}

TEST(SharedFunctions, Pulse) {
  const float u[] = {0.0f, 0.5f, 1.0f, 2.0f, 10.0f};
  std::string probe = "void main() {\n";
  for (int i = 0; i < 5; ++i) probe += "    probeStore(" + std::to_string(i) + ", pulse(" + std::to_string(u[i]) + "));\n";
  const auto r = run_once(probe + "}\n", 5);
  EXPECT_EQ(r[0], 0.0f);
  EXPECT_NEAR(r[1], 0.5 * std::exp(0.5), 1e-5);
  EXPECT_NEAR(r[2], 1.0, 1e-6);
  EXPECT_NEAR(r[3], 2.0 * std::exp(-1.0), 1e-5);
  EXPECT_NEAR(r[4], 0.0012341, 1e-6);
}

TEST(SharedFunctions, RotationTurnsARowVector) {
  // (a, b) becomes (a cos + b sin, b cos - a sin).
  const auto r = run_once(
      "void main() {\n"
      "    vec2 p = vec2(1.0, 0.0) * rotation(0.5);\n"
      "    probeStore(0, p.x); probeStore(1, p.y);\n"
      "    vec3 q = rotateXY(vec3(0.3, 0.7, 5.0), 1.2);\n"
      "    probeStore3(2, q);\n"
      "}\n",
      5);
  EXPECT_NEAR(r[0], std::cos(0.5), 1e-6);
  EXPECT_NEAR(r[1], -std::sin(0.5), 1e-6);
  EXPECT_NEAR(r[2], 0.3 * std::cos(1.2) + 0.7 * std::sin(1.2), 1e-6);
  EXPECT_NEAR(r[3], 0.7 * std::cos(1.2) - 0.3 * std::sin(1.2), 1e-6);
  EXPECT_EQ(r[4], 5.0f);
}

TEST(SharedFunctions, HashAndNoiseStayInTheirRanges) {
  // Over a 200 x 200 grid of points: pointHash in [0, 1), fractalNoise in [0, 0.875),
  // and valueNoise passes through the corner hashes at whole coordinates.
  const auto r = run_once(
      "void main() {\n"
      "    float hashMin = 1e9, hashMax = -1e9, noiseMin = 1e9, noiseMax = -1e9, cornerError = 0.0;\n"
      "    for (int i = 0; i < 200; i++) {\n"
      "        for (int j = 0; j < 200; j++) {\n"
      "            vec2 p = vec2(float(i) * 0.731 - 70.0, float(j) * 1.37 - 130.0);\n"
      "            float h = pointHash(p);\n"
      "            float n = fractalNoise(p);\n"
      "            hashMin = min(hashMin, h); hashMax = max(hashMax, h);\n"
      "            noiseMin = min(noiseMin, n); noiseMax = max(noiseMax, n);\n"
      "            vec2 corner = floor(p);\n"
      "            cornerError = max(cornerError, abs(valueNoise(corner) - pointHash(corner)));\n"
      "        }\n"
      "    }\n"
      "    probeStore(0, hashMin); probeStore(1, hashMax);\n"
      "    probeStore(2, noiseMin); probeStore(3, noiseMax); probeStore(4, cornerError);\n"
      "}\n",
      5);
  EXPECT_GE(r[0], 0.0f);
  EXPECT_LT(r[0], 0.01f) << "40,000 hashes should come near 0";
  EXPECT_LT(r[1], 1.0f);
  EXPECT_GT(r[1], 0.99f) << "and near 1";
  EXPECT_GE(r[2], 0.0f);
  EXPECT_LT(r[3], 0.875f);
  EXPECT_GT(r[3] - r[2], 0.4f) << "the noise should vary";
  EXPECT_EQ(r[4], 0.0f);
}

// The vehicle's mask box includes its lower faces and excludes its upper ones.
TEST(DistancePrimitives, BoxMaskFaces) {
  struct Case {
    const char* point;
    float inside;
  };
  const Case cases[] = {
      {"vec3(0.0, 0.5, 0.0)", 1}, {"vec3(-2.4, 0.5, 0.0)", 1}, {"vec3(2.4, 0.5, 0.0)", 0},
      {"vec3(0.0, -0.5, 0.0)", 1}, {"vec3(0.0, 1.5, 0.0)", 0}, {"vec3(0.0, 0.5, -1.5)", 1},
      {"vec3(0.0, 0.5, 1.5)", 0}, {"vec3(2.39, 1.49, 1.49)", 1}, {"vec3(-2.41, 0.5, 0.0)", 0},
      {"vec3(0.0, -0.51, 0.0)", 0},
  };
  std::string probe = "void main() {\n";
  for (size_t i = 0; i < std::size(cases); ++i)
    probe += "    probeStore(" + std::to_string(i) + ", boxMask(" + cases[i].point +
             ", vec3(0.0, 0.5, 0.0), vec3(2.4, 1.0, 1.5)));\n";
  const auto r = run_once(probe + "}\n", static_cast<int>(std::size(cases)));
  for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(r[i], cases[i].inside) << cases[i].point;
}

TEST(DistancePrimitives, BoxEllipsoidSmoothMinAndNearerHit) {
  const auto r = run_once(
      "void main() {\n"
      "    probeStore(0, boxDistance(vec3(2.0, 0.0, 0.0), vec3(1.0)));\n"   // face: 1
      "    probeStore(1, boxDistance(vec3(2.0, 2.0, 1.0), vec3(1.0)));\n"   // edge: sqrt 2
      "    probeStore(2, boxDistance(vec3(0.2, 0.0, 0.0), vec3(1.0)));\n"   // inside: -0.8
      "    probeStore(3, ellipsoidDistance(vec3(2.4, 0.0, 0.0), vec3(1.2, 0.6, 0.6)));\n"
      "    probeStore(4, smoothMin(0.3, 0.3, 0.1));\n"                         // 0.3 - 0.025
      "    probeStore(5, smoothMin(0.0, 1.0, 0.1));\n"                         // far apart: 0
      "    vec2 tie = nearerHit(vec2(0.5, 3.0), vec2(0.5, 4.0));\n"            // second wins
      "    vec2 near = nearerHit(vec2(0.4, 3.0), vec2(0.5, 4.0));\n"
      "    probeStore(6, tie.y); probeStore(7, near.y);\n"
      "}\n",
      8);
  EXPECT_NEAR(r[0], 1.0, 1e-6);
  EXPECT_NEAR(r[1], std::sqrt(2.0), 1e-6);
  EXPECT_NEAR(r[2], -0.8, 1e-6);
  // k0 = 2, k1 = 2.4 / 1.44: 2 * 1 / 1.6667 = 1.2
  EXPECT_NEAR(r[3], 1.2, 1e-5);
  EXPECT_NEAR(r[4], 0.275, 1e-6);
  EXPECT_NEAR(r[5], 0.0, 1e-6);
  EXPECT_EQ(r[6], 4.0f);
  EXPECT_EQ(r[7], 3.0f);
}

// At each wheel centre the recess leaves the wheel 0.02 away, and nothing else is nearer.
TEST(SceneDistance, WheelCentresAreInTheHubRecess) {
  const auto r = run_once(
      "void main() {\n"
      "    sceneTime = 20.0;\n"
      "    const vec3 centres[4] = vec3[](vec3(0.6, 0.15, 0.4), vec3(-0.6, 0.15, 0.4),\n"
      "                                   vec3(0.6, 0.15, -0.4), vec3(-0.6, 0.15, -0.4));\n"
      "    for (int i = 0; i < 4; i++) {\n"
      "        vec2 hit = sceneDistance(centres[i]);\n"
      "        probeStore(2 * i, hit.x); probeStore(2 * i + 1, hit.y);\n"
      "    }\n"
      "}\n",
      8);
  for (int i = 0; i < 4; ++i) {
    EXPECT_NEAR(r[2 * i], 0.02, 1e-6) << "wheel " << i;
    EXPECT_EQ(r[2 * i + 1], 3.0f) << "wheel " << i;
  }
}

// Before 9 s the dome field stands where the vehicle will be; the warm group is absent.
TEST(SceneDistance, DomeFieldBeforeNineSecondsVehicleAfter) {
  const auto r = run_once(
      "void main() {\n"
      "    sceneTime = 4.0;\n"
      "    vec2 dome = sceneDistance(vec3(16.0, 0.7, 4.0));\n"  // 0.1 above a dome top
      "    probeStore(0, dome.x); probeStore(1, dome.y); probeStore(2, warmGlow);\n"
      "    sceneTime = 20.0; lampGlow = 1e9;\n"
      "    vec2 roof = sceneDistance(vec3(-0.45, 1.2, 0.0));\n"  // above the cabin
      "    probeStore(3, roof.y); probeStore(4, warmGlow < 1e9 ? 1.0 : 0.0);\n"
      "}\n",
      5);
  EXPECT_NEAR(r[0], 0.1, 0.02);
  EXPECT_EQ(r[1], 4.0f);
  EXPECT_EQ(r[2], 1e9f);
  EXPECT_EQ(r[3], 4.0f);
  EXPECT_EQ(r[4], 1.0f);
}

}  // namespace
