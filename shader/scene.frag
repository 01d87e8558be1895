#version 430
// scene.frag - the picture of the piece: one fragment program, run once per pixel.
//
// Every pixel is a pure function of the sample position `v` (frames at 44,100 per
// second since the soundtrack began) and of the pixel's own window position. A fixed
// timeline of 26 segments picks one of 15 camera shots; the camera ray-marches a
// distance field (a vehicle on a scrolling road, lamps, light trails, a spinning cube,
// terrain, a dome field before 9 s) inside a bounding box above an analytic ground
// plane, follows up to three reflections, and grades the result with glow, fog, two
// white flashes, a vignette and a gamma curve.
//
// What it is for: drawing the piece, frame-exactly, from the audio clock, on a
// 1920x1080 drawable covered by one rectangle (fixed-function vertex stage).
// What it is not for: other drawable sizes (pixels are measured against 1920x1080
// whatever the viewport), other inputs (there are no attributes, textures or other
// uniforms), or keeping state between pixels or frames (there is none).
//
// Pixels in the letterbox rows and pixels whose time falls where no shot is active
// are discarded: `f` is not written and the pixel keeps what the framebuffer held,
// which is the opaque black the host clears it to. (Merely returning without writing
// `f` would still store an undefined colour there.)
//
// Every loop counter starts at min(v, 0): that is 0 for every position the host sends,
// but it is not a compile-time constant, so the compiler keeps the loops rolled
// instead of unrolling (and inlining the distance field) by their trip counts.

// ---- Interface ----------------------------------------------------------------------

layout(location = 0) uniform int v;  // sample position, never negative
out vec4 f;                          // pixel colour, alpha 1; never written where nothing is drawn

// ---- Constants ----------------------------------------------------------------------

const float PI = 3.1415;
const vec2 resolution = vec2(1920.0, 1080.0);  // the drawable this program assumes
const vec3 coolColour = vec3(0.1, 0.3, 1.2);    // lamp glow; warmColour reversed

// ---- Timeline -----------------------------------------------------------------------
// A segment runs from its start until the next one starts; the last one runs to the
// end of the soundtrack. Shot -1 draws nothing.

const int segmentCount = 26;
const float segmentStart[segmentCount] = float[](
//   start      segment
     3.0,    //  0
     5.0,    //  1
     6.0,    //  2
     7.0,    //  3
     9.0,    //  4
    11.0,    //  5
    16.0,    //  6
    21.85,   //  7
    26.0,    //  8
    27.0,    //  9
    27.9,    // 10
    32.0,    // 11
    40.0,    // 12
    54.0,    // 13
    54.5,    // 14
    55.0,    // 15
    55.5,    // 16
    66.0,    // 17
    67.0,    // 18
    74.0,    // 19
    82.0,    // 20
    83.0,    // 21
    90.0,    // 22
    91.0,    // 23
    96.0,    // 24
   106.0     // 25
);
const int segmentShot[segmentCount] = int[](
    12, -1, 13, -1,  0,  1,  2,  3,  4,  5,  6,  7,  8,   // segments  0 to 12
     0, 10, 11,  9,  4,  3, 14,  5,  6,  4,  3,  7, -1    // segments 13 to 25
);

// ---- Camera shots -------------------------------------------------------------------
// Camera position and look-at target x at the start of the segment, and their speeds
// along x (units per second). The camera keeps its height and z; the target always has
// y = 0.1 and z = 0.

const int shotCount = 15;
//                                            shot:    0     1     2     3      4      5     6     7     8      9     10     11     12     13     14
const float shotCameraX[shotCount]     = float[](  2.0,  4.0,  1.2, -2.0,  20.0,  20.0,  2.5,  0.0, -7.0,  4.0,   12.0,  20.0,  30.0,  40.0,  -2.0);
const float shotCameraY[shotCount]     = float[](  0.1,  0.2,  1.0,  1.2,   0.2,   2.2,  1.5, 30.0,  1.5,  1.2,    0.2,   1.0,   1.0,   5.0,   1.2);
const float shotCameraZ[shotCount]     = float[]( -0.3, -0.1, -8.0, -1.5,  -1.5,   0.7,  3.0,  2.0,  1.5, -3.5,   -0.1,  -6.0,  -4.0,  -0.3,   0.0);
const float shotCameraSpeed[shotCount] = float[](  0.0, -0.2, -0.2, -0.5, -50.0, -50.0, -0.1, -8.0, -0.5, -0.05, -25.0, -50.0, -25.0, -30.0,  -0.3);
const float shotTargetX[shotCount]     = float[]( 20.0,  0.0,  1.7,  1.0,   0.0,   0.0,  0.7,  4.0,  5.0,  0.0,    0.0,   0.0,  30.0,  43.0,   1.0);
const float shotTargetSpeed[shotCount] = float[]( -5.0,  0.0, -0.3, -0.2,   0.0,   0.0, -0.1, -1.0,  0.5, -0.05,   0.0,   0.0, -25.0, -30.2,  -0.1);

// ---- Per-pixel state ----------------------------------------------------------------
// Each pixel starts from these values; nothing carries from one pixel or frame to the next.

int shotIndex = -1;            // active shot, -1 for none
float openFlag = 1.0;          // 1 on the open road, 0 in the tunnel interval
float sceneTime = 0.0;         // this pixel's time in seconds (jittered)
float shotTime = 0.0;          // seconds since the active segment began
float firstHitDistance = 1e9;  // distance of the pixel's first cast (fog)
vec3 boundsCentre = vec3(0.0, 0.9, 0.0);
vec3 boundsHalfSize = vec3(60.0, 2.0, 2.5);  // the tunnel; castRay opens it on the open road
vec3 warmColour = vec3(1.2, 0.3, 0.1);
// Glow accumulators: the smallest distance any evaluation of this pixel has seen to the
// lamps and to the warm group (rear light bar, light trails, spinning cube).
float lampGlow = 1e9;
float warmGlow = 1e9;

// ---- Shared helpers -----------------------------------------------------------------

// Applied as pair * rotation(angle): (a, b) becomes (a cos + b sin, b cos - a sin).
mat2 rotation(float angle) {
    float c = cos(angle);
    float s = sin(angle);
    return mat2(c, s, -s, c);
}

// 0 at 0, peak 1 at 1, then a fast decay.
float pulse(float u) {
    return u * exp(1.0 - u);
}

float pointHash(vec2 p) {
    return fract(sin(p.x * 12.9898 + p.y * 78.233) * 43758.5);
}

float valueNoise(vec2 p) {
    vec2 cell = floor(p);
    vec2 w = fract(p);
    vec2 s = w * w * (3.0 - 2.0 * w);
    float h00 = pointHash(cell);
    float h10 = pointHash(cell + vec2(1.0, 0.0));
    float h01 = pointHash(cell + vec2(0.0, 1.0));
    float h11 = pointHash(cell + vec2(1.0, 1.0));
    return mix(h00, h10, s.x) + (h01 - h00) * s.y * (1.0 - s.x) + (h11 - h10) * s.x * s.y;
}

// Three octaves; a value in [0, 0.875).
float fractalNoise(vec2 p) {
    return 0.5 * valueNoise(p) + 0.25 * valueNoise(2.0 * p) + 0.125 * valueNoise(4.0 * p);
}

// ---- Distance primitives ------------------------------------------------------------

float boxDistance(vec3 p, vec3 b) {
    vec3 q = abs(p) - b;
    return length(max(q, 0.0)) + min(max(q.x, max(q.y, q.z)), 0.0);
}

float ellipsoidDistance(vec3 p, vec3 r) {
    float k0 = length(p / r);
    float k1 = length(p / (r * r));
    return k0 * (k0 - 1.0) / k1;
}

float smoothMin(float a, float b, float k) {
    float h = clamp(0.5 + 0.5 * (b - a) / k, 0.0, 1.0);
    return mix(b, a, h) - k * h * (1.0 - h);
}

// 1 inside the box centred at m with half-size b, lower faces included, upper excluded.
float boxMask(vec3 p, vec3 m, vec3 b) {
    vec3 inside = step(m - b, p) - step(m + b, p);
    return inside.x * inside.y * inside.z;
}

// The nearer of two (distance, material) pairs; on a tie the second one wins.
vec2 nearerHit(vec2 a, vec2 b) {
    return a.x < b.x ? a : b;
}

vec3 rotateXY(vec3 p, float angle) {
    p.xy *= rotation(angle);
    return p;
}

// ---- Scene distance field -----------------------------------------------------------
// Materials: 0 ground plane and 1 tunnel wall (both from castRay, never from here),
// 2 terrain, 3 wheels, 4 dome field / vehicle body / warm group, 5 lamps, 6 road markings.
// The lamps and the warm group are reported with their glow accumulator, so every
// evaluation lowers the accumulators and may report less than the true distance.

vec2 sceneDistance(vec3 p) {
    // Lamps: four spheres in the front slot, at every time.
    vec3 lampPoint = vec3(p.xy, abs(abs(p.z) - 0.3));
    lampGlow = min(lampGlow, length(lampPoint - vec3(0.87, 0.28, 0.05)) - 0.045);
    vec2 result = vec2(lampGlow, 5.0);

    if (sceneTime < 9.0) {
        // Dome field, fixed in the world: ellipsoids at every x = 8i, z = 2j.
        vec3 q = vec3(mod(p.x + 4.0, 8.0) - 4.0, p.y, mod(p.z + 1.0, 2.0) - 1.0);
        result = nearerHit(result, vec2(ellipsoidDistance(q, vec3(1.2, 0.6, 0.6)), 4.0));
    } else {
        // The vehicle, only inside its mask box.
        if (boxMask(p, vec3(0.0, 0.5, 0.0), vec3(2.4, 1.0, 1.5)) > 0.5) {
            vec3 w = vec3(abs(p.x) - 0.6, p.y - 0.15, abs(p.z) - 0.4);  // wheel frame

            // Rear light bar.
            warmGlow = min(warmGlow, boxDistance(p - vec3(-0.9, 0.3, 0.0), vec3(0.1, 0.02, 0.3)) - 0.03);

            float lowerBody = max(ellipsoidDistance(p - vec3(-0.2, 0.2, 0.0), vec3(1.3, 0.3, 1.0)),
                                  boxDistance(p - vec3(0.0, 0.2, 0.0), vec3(1.3, 0.08, 0.34)) - 0.1);
            vec3 u = rotateXY(p, 0.2) - vec3(-0.45, 0.3, 0.0);
            float cabin = mix(ellipsoidDistance(u, vec3(0.6, 0.2, 0.35)),
                              boxDistance(u, vec3(0.6, 0.3, 0.35)) - 0.1, 0.3) - 0.05;
            float shell = smoothMin(lowerBody, cabin, 0.04);

            float wheel = max(length(w.xy) - 0.16, abs(w.z) - 0.11);
            float wheels = max(0.12 - length(w - vec3(0.0, 0.0, 0.1)), wheel);  // with hub recess

            float body = max(shell - 0.04, smoothMin(wheel, shell, 0.17));  // wheel arches
            body = max(0.02 - wheel, body);                                  // wheel wells
            body = max(body, -rotateXY(p, 0.1 * PI).x - 0.85);               // slanted rear
            body = max(body, 0.05 - p.y);                                    // flat underside
            body = max(body, -boxDistance(p - vec3(1.0, 0.28, 0.0), vec3(0.15, 0.04, 0.4)));  // lamp slot

            result = nearerHit(result, nearerHit(vec2(wheels, 3.0), vec2(body, 4.0)));
        }

        // Spinning cube, travelling with the road; its centre passes x = 0 at 55.54 s.
        vec3 s = p - vec3(666.48 - 12.0 * sceneTime, 1.0, 0.0);
        s.xz *= rotation(8.0 * sceneTime);
        s.yz *= rotation(0.25 * PI);
        s.xy *= rotation(0.25 * PI);
        warmGlow = min(warmGlow, boxDistance(s, vec3(0.5)));

        // Light trails: two wobbling ribbons streaming 40 units behind the vehicle.
        float a = p.x + 0.9;
        vec3 t = vec3(p.x + 0.92, p.y + 0.45, abs(p.z) - 0.3 + 0.01 * cos(2.0 * a + 28.0 * sceneTime));
        warmGlow = min(warmGlow, boxDistance(t - vec3(-20.0, 0.75, -0.05), vec3(20.0, 0.01, 0.06)));

        result = nearerHit(result, vec2(warmGlow, 4.0));
    }

    // From here on the ground-fixed scene, scrolling towards -x at 12 units per second.
    p.x += 12.0 * sceneTime;

    // Road markings: lane dashes every 3 units at |z| = 0.7, edge lines at |z| = 2.1.
    vec3 r = vec3(mod(p.x + 1.5, 3.0) - 1.5, p.y, abs(p.z));
    float markings = min(boxDistance(r - vec3(0.0, -0.095, 0.7), vec3(0.5, 0.1, 0.06)),
                         boxDistance(r - vec3(0.0, -0.095, 2.1), vec3(1.5, 0.1, 0.06)));
    result = nearerHit(result, vec2(markings, 6.0));

    // Terrain beside the road: bumps from |z| = 2.2, hills rising between 18 and 28 s.
    if (abs(p.z) > 2.0) {
        float height = fractalNoise(p.xz) * 0.2 * smoothstep(0.0, 1.0, (abs(p.z) - 2.2) / 0.4)
                     + fractalNoise(0.1 * p.xz) * 4.0 * smoothstep(0.0, 1.0, (abs(p.z) - 2.6) / 7.4)
                                                      * smoothstep(0.0, 1.0, (sceneTime - 18.0) / 10.0);
        result = nearerHit(result, vec2(p.y - height, 2.0));
    }
    return result;
}

// ---- Ray casting --------------------------------------------------------------------

// Entry and exit distances of a ray through the box of half-size h centred at the origin.
vec2 slabInterval(vec3 o, vec3 d, vec3 h) {
    vec3 k = 1.0 / d;
    vec3 e = k * o;
    vec3 s = abs(k) * h;
    vec3 entries = -e - s;
    vec3 exits = -e + s;
    return vec2(max(max(entries.x, entries.y), entries.z), min(min(exits.x, exits.y), exits.z));
}

// First surface along the unit ray from o: (distance, material), (1e9, -1) for none.
vec2 castRay(vec3 o, vec3 d) {
    if (openFlag > 0.5) {
        boundsHalfSize.yz = vec2(4.0, 30.0);
    }
    vec2 result = vec2(1e9, -1.0);
    float start = 0.1;
    float farLimit = 90.0;
    vec2 box = slabInterval(o - boundsCentre, d, boundsHalfSize);

    // The ground plane, at any distance; it only bounds the march.
    float planeDistance = -o.y / d.y;
    if (planeDistance > 0.0) {
        farLimit = min(90.0, planeDistance);
        result = vec2(planeDistance, 0.0);
    }

    if (box.x < box.y && box.y > 0.0 && box.x < farLimit) {
        float t = max(box.x, start);
        if (openFlag < 0.5) {
            result = nearerHit(result, vec2(box.y, 1.0));  // the tunnel wall where the ray leaves
        }
        for (int i = min(v, 0); i < 128; i++) {
            if (!(t < min(box.y, farLimit))) {
                break;
            }
            vec2 hit = sceneDistance(o + d * t);
            if (hit.x < 0.0001 * t) {
                result = vec2(t, hit.y);
                break;
            }
            t += hit.x;
        }
    }
    return result;
}

// Normal of the distance field from four tetrahedral probes, taken in this order.
vec3 sceneNormal(vec3 p) {
    const vec3 probes[4] = vec3[](vec3(0.002, -0.002, -0.002), vec3(-0.002, -0.002, 0.002),
                                  vec3(-0.002, 0.002, -0.002), vec3(0.002, 0.002, 0.002));
    vec3 sum = vec3(0.0);
    for (int i = min(v, 0); i < 4; i++) {
        sum += probes[i] * sceneDistance(p + probes[i]).x;
    }
    return normalize(sum);
}

// ---- Sky and surface shading --------------------------------------------------------

// The sky depends on the direction only; o is not read.
vec3 skyColour(vec3 d, vec3 o) {
    float a = atan(d.z, d.x);
    float w = 1.0 - abs(a) * PI / 2.0;  // 1 straight ahead
    vec3 s = vec3(0.0, 0.0, 0.1 * max(5.0 * d.y + 0.3, 0.0));
    s += (0.2 * smoothstep(0.0, 1.0, (w - 0.9) / 0.1) * (warmColour - 0.2)
          + 2.0 * smoothstep(0.0, 1.0, (w - 0.99) / 0.01) * warmColour) * 10.0 * max(0.0, d.y);
    if (d.y <= 0.03 * fractalNoise(-20.0 * d.xz)) {
        s = vec3(0.0);  // black ragged horizon
    }
    s += 0.5 * pow(max(0.0, d.y), 8.0) * warmColour;
    if (d.y <= 0.07 * fractalNoise(-10.0 * d.xz)) {
        return 0.01 * warmColour;  // taller, smoother ridge in a dim warm tone
    }
    return s;
}

// Shades a hit: returns the surface light and gives the normal and the reflectivity.
// On the tunnel wall from 60 s the hit point itself is turned: the next bounce starts
// from the turned point.
vec3 shadeSurface(inout vec3 H, float material, vec3 d, out vec3 N, out float r) {
    if (material < 0.5) {
        N = vec3(0.0, 1.0, 0.0);
    } else if (material < 1.5) {
        vec2 n = normalize(boundsCentre.yz - H.yz);  // towards the tunnel's axis line
        N = vec3(0.0, n.x, n.y);
    } else {
        N = sceneNormal(H);
    }

    // Grid lines every 2/3 unit over (y, z), from the unturned hit point.
    vec2 g = abs(2.0 * fract(1.5 * H.yz + 0.5) - 1.0);
    vec2 thick = smoothstep(0.0, 1.0, (g - 0.1) / 0.02);
    vec2 thin = smoothstep(0.0, 1.0, (g - 0.05) / 0.05);
    float thickLines = 1.0 - min(thick.x, thick.y);
    float thinLines = 1.0 - min(thin.x, thin.y);

    // Rounding can take dot(N, d) a hair below -1; that is a head-on hit.
    r = pow(max(dot(N, d) + 1.0, 0.0), 0.2);

    float ao = 1.0;
    const float occlusionSteps[3] = float[](0.07, 0.15, 0.3);
    for (int i = min(v, 0); i < 3; i++) {
        float s = occlusionSteps[i];
        ao *= exp2(min(0.0, sceneDistance(H + N * s).x / s - 1.0));
    }

    float flashPulse = pow(pulse(10.0 * fract(0.92 * sceneTime)), 8.0);
    float stripeMask = 1.0 - clamp(floor(2.0 * fract(0.1 * (H.x + 12.0 * sceneTime))), 0.0, 1.0);

    vec3 albedo = vec3(0.1);
    if (material == 0.0) {
        // Road surface: dim streaks along x, moving with the road; reflects a tenth as much.
        albedo *= 0.1 * fractalNoise(vec2(4.0 * (H.x + 12.0 * sceneTime), 80.0 * H.z));
        r *= 0.1;
    }

    // One cyan-blue spot light just ahead of the vehicle, pointing down the road.
    vec3 lightPosition = vec3(2.0, 0.5, 0.0);
    float cone = dot(normalize(lightPosition - H), -normalize(vec3(1.0, -5.0, 0.0)));
    vec3 spot = 80.0 * vec3(0.0, 0.5, 1.0) * smoothstep(0.0, 1.0, cone - 0.1 / 1.5)
              / pow(length(lightPosition - H), 0.1);
    vec3 D = albedo * (ao + spot);

    if (material == 1.0) {
        if (sceneTime >= 60.0) {
            H.yz *= rotation(0.2 * floor(5.0 * sceneTime));
        }
        // Light bands: 2 units lit in every 20, in the road's frame.
        D += 2.0 - 2.0 * clamp(floor(10.0 * fract(0.05 * (H.x + 12.0 * sceneTime))), 0.0, 1.0);
        // Grid: thick lines flash from 60 s, thin lines glow from 70 s, turning red 75 to 80 s.
        D += 5.0 * stripeMask * (flashPulse * thickLines * step(60.0, sceneTime) + thinLines * step(70.0, sceneTime))
           * mix(vec3(1.0), thinLines * vec3(1.0, 0.0, 0.0), smoothstep(0.0, 1.0, (sceneTime - 75.0) / 5.0));
    }

    if (material == 4.0) {
        // Fine warm speckles on upward-facing parts.
        D += warmColour * pow(max(0.0, N.y), 3.0) * smoothstep(0.0, 1.0, 4.0 * fractalNoise(600.0 * H.xz) - 2.0);
    }
    return D;
}

// ---- Entry point --------------------------------------------------------------------

void main() {
    // Pixel coordinates: q.y from -1 (bottom) to 1 (top); uv from 0 to 1 for the vignette.
    vec2 q = (2.0 * gl_FragCoord.xy - resolution) / 1080.0;
    vec2 uv = gl_FragCoord.xy / resolution;

    // Letterbox: rows 140 to 939 are drawn, a 2.4 : 1 band.
    if (abs(q.y) > 0.74) {
        discard;
    }

    // Each pixel runs up to 0.04 s ahead by a fixed amount of its own, so every cut
    // dissolves over 0.04 s.
    sceneTime = float(v) / 44100.0 + pointHash(gl_FragCoord.xy) * 0.04;

    if (sceneTime > 55.5 && sceneTime < 91.0) {
        openFlag = 0.0;
    }

    // The last segment that has begun decides the shot.
    vec3 P = vec3(0.0);
    vec3 T = vec3(0.0, 0.1, 0.0);
    vec3 cameraVelocity = vec3(0.0);
    vec3 targetVelocity = vec3(0.0);
    for (int i = min(v, 0); i < segmentCount; i++) {
        if (segmentStart[i] <= sceneTime) {
            shotTime = sceneTime - segmentStart[i];
            shotIndex = segmentShot[i];
            if (shotIndex != -1) {
                P = vec3(shotCameraX[shotIndex], shotCameraY[shotIndex], shotCameraZ[shotIndex]);
                T.x = shotTargetX[shotIndex];
                cameraVelocity = vec3(shotCameraSpeed[shotIndex], 0.0, 0.0);
                targetVelocity = vec3(shotTargetSpeed[shotIndex], 0.0, 0.0);
            }
        }
    }
    if (shotIndex == -1) {
        discard;  // nothing is shown before 3 s, from 5 to 6 s, from 7 to 9 s and from 106 s
    }

    P += cameraVelocity * shotTime;
    T += targetVelocity * shotTime;
    P.y += 0.01 * pointHash(vec2(100.0 * sceneTime, 100.0 * sceneTime));

    // Edge jitter, towards +x and +y, growing with the square of the distance from the centre.
    q += 4.0 * dot(q, q) * pointHash(gl_FragCoord.xy + sceneTime) / resolution;

    vec3 forward = normalize(T - P);
    vec3 right = normalize(cross(forward, vec3(0.0, 1.0, 0.0)));
    vec3 up = cross(right, forward);
    vec3 n = normalize(vec3(q.x, q.y, 4.0));  // focal length 4 half-heights
    vec3 direction = right * n.x + up * n.y + forward * n.z;
    vec3 background = skyColour(direction, P);

    // Up to three bounces; throughput left after a third hit is dropped.
    vec3 throughput = vec3(1.0);
    vec3 colour = vec3(0.0);
    lampGlow = 1e9;
    warmGlow = 1e9;
    for (int bounce = min(v, 0); bounce < 3; bounce++) {
        vec2 hit = castRay(P, direction);
        if (bounce == 0) {
            firstHitDistance = hit.x;
        }
        if (hit.y < 0.0) {
            colour += skyColour(direction, P) * throughput;
            break;
        }
        vec3 H = P + hit.x * direction;
        vec3 N;
        float r;
        vec3 D = shadeSurface(H, hit.y, direction, N, r);
        colour += (1.0 - r) * D * throughput;
        throughput *= r;
        direction = reflect(direction, N);
        P = H + 0.001 * direction;
    }

    // Glow: 0.5 on an object's surface, falling by e for every 0.1 units of nearest approach.
    lampGlow = 0.5 * exp(-10.0 * lampGlow);
    warmGlow = 0.5 * exp(-10.0 * warmGlow);

    float fog = exp(-0.001 * firstHitDistance * firstHitDistance);
    vec3 scene = colour + coolColour * lampGlow + warmColour * warmGlow;
    vec3 c = mix(background, scene, fog);
    c = mix(c, warmColour, 0.02 * (1.0 - fog));  // warm haze with distance
    // White flashes opening (peak at 55.6 s) and closing (peak at 91.1 s) the tunnel.
    c += pulse(max(0.0, 10.0 * (sceneTime - 55.5))) + pulse(max(0.0, 10.0 * (sceneTime - 91.0)));
    // Vignette; pixels beyond 1920x1080 (a larger drawable) get 0 rather than a root of
    // a negative number.
    c *= sqrt(max(15.0 * uv.x * (1.0 - uv.x) * uv.y * (1.0 - uv.y), 0.0));
    // A channel can go negative where a surface seen from behind reflects more than it
    // receives; it shows as black rather than as an undefined power.
    f = vec4(pow(max(c, 0.0), vec3(0.4545)), 1.0);
}
