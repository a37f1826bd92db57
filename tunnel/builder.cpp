#include "tunnel/builder.h"

#include <climits>
#include <cmath>
#include <cstddef>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define VORTICEL_SSE2 1
#else
#define VORTICEL_SSE2 0
#endif

#include "math/trig.h"
#include "tunnel/bounds.h"
#include "tunnel/generator.h"
#include "tunnel/state.h"

int32_t positionToFixed(double sum, int32_t fallback) {
    if (std::isnan(sum))
        return fallback;
    if (sum >= 2147483647.0)
        return INT32_MAX;
    if (sum <= -2147483648.0)
        return INT32_MIN;
    return static_cast<int32_t>(sum);
}

namespace {

// Size factor of a new ring: 1, or (sin(n·π/10) + 4)/4 with π as a float.
float sizeFactorFor(int32_t ring) {
    if (!sinusoidSize)
        return 1.0f;
    const double pi = 3.1415927410125732;
    return static_cast<float>((sine(ring * pi / 10.0) + 4.0) / 4.0);
}

// A ring's angles are set when it is generated, so a walk's full turns are the very matrices
// of the frame before. Each slot keeps the matrix last built for it with the angles it was
// built from, and is rebuilt when those differ in any bit: the result is always fromAngles'.
struct SlotTurn {
    float angles[3];
    Matrix3 turn;
    bool built;
};
SlotTurn slotTurns[kRingSlots];

const Matrix3 &fullTurn(int32_t slot, const Vector4 &angles) {
    SlotTurn &cached = slotTurns[slot];
    const float key[3] = {angles.x, angles.y, angles.z};
    if (!cached.built || std::memcmp(cached.angles, key, sizeof key) != 0) {
        cached.turn.fromAngles(key[0], key[1], key[2]);
        std::memcpy(cached.angles, key, sizeof key);
        cached.built = true;
    }
    return cached.turn;
}

// Walks up to 64 rings from baseRing and returns how many were reached.
int32_t walk(int32_t baseRing, float fraction) {
    Vector4 centre(0.0f, 0.0f, 0.0f);
    Vector4 axisX(1.0f, 0.0f, 0.0f);
    Vector4 step(0.0f, 8.0f, 0.0f);
    Vector4 axisZ(0.0f, 0.0f, 1.0f);
    Matrix3 firstTurn;
    ScreenRect sightRect;
    resetRect(sightRect);

    // baseRing is at most INT32_MAX >> 8, so baseRing + i cannot overflow.
    for (int32_t i = 0; i < kRingSlots; ++i) {
        if (isRectEmpty(sightRect))
            return i;
        const int32_t n = baseRing + i;
        const int32_t slot = n & 63;
        if (n > lastGeneratedRing) {
            if (stopRequested)
                return i;
            generateRing(slot, sizeFactorFor(n));
            lastGeneratedRing = n;
        }

        RingFrame &frame = ringFrames[slot];
        const Matrix3 *turn = &firstTurn;
        if (i == 0) {
            const float k = 1.0f - fraction;
            centre += scaled(step, k);
            frame.center = centre;
            frame.axisX = axisX;
            frame.axisZ = axisZ;
            firstTurn.fromAngles(k * frame.angles.x, k * frame.angles.y, k * frame.angles.z);
        } else {
            centre += step;
            frame.center = centre;
            frame.axisX = axisX;
            frame.axisZ = axisZ;
            turn = &fullTurn(slot, frame.angles);
        }
        turn->transform(axisX);
        turn->transform(step);
        turn->transform(axisZ);

        ScreenRect ringRect;
        ringScreenBounds(slot, ringRect);
        intersectRect(sightRect, ringRect);
    }
    return kRingSlots;
}

#if VORTICEL_SSE2
static_assert(sizeof(ShapePoint) == 16 && offsetof(ShapePoint, shadeA) == 8,
              "a ShapePoint is loaded as the four floats x, y, shadeA, shadeB");
static_assert(sizeof(TunnelVertex) == 20 && offsetof(TunnelVertex, v) == 12 &&
                  offsetof(TunnelVertex, shade) == 16,
              "a vertex is stored as the four floats x, y, u, v, then shade");

// One eye-space component for two rim points at once: the component's entries of axisX,
// centre and axisZ, each widened to double in both lanes.
struct EyeComponent {
    __m128d axisX, centre, axisZ;

    EyeComponent(float ax, float c, float az)
        : axisX(_mm_set1_pd(ax)), centre(_mm_set1_pd(c)), axisZ(_mm_set1_pd(az)) {}

    // (p.x·axisX + centre) + p.y·axisZ per lane, rounded to floats in lanes 0 and 1.
    __m128 operator()(__m128d px, __m128d py) const {
        const __m128d sum =
            _mm_add_pd(_mm_add_pd(_mm_mul_pd(px, axisX), centre), _mm_mul_pd(py, axisZ));
        return _mm_cvtpd_ps(sum);
    }
};

// projectRing's vertex fill for a stride that divides 32, with the same results. The fill is
// most of a build, so this takes the points two at a time, j in lane 0 and j + stride in
// lane 1: each conversion, product and division does the work of two, through the steps of
// the scalar loop in the same order. A packed SSE2 operation rounds each lane exactly as its
// scalar form does, and nothing is fused or reordered, so every result keeps its bits. The
// ring's constants are widened to double once.
void projectPairs(const RingFrame &frame, const ShapePoint *shape, double z, float v,
                  int32_t stride, TunnelVertex *row) {
    const EyeComponent eyeX(frame.axisX.x, frame.center.x, frame.axisZ.x);
    const EyeComponent eyeY(frame.axisX.y, frame.center.y, frame.axisZ.y);
    const EyeComponent eyeZ(frame.axisX.z, frame.center.z, frame.axisZ.z);
    const __m128d zoomPair = _mm_set1_pd(z);
    const __m128d signBit = _mm_set1_pd(-0.0);
    const __m128d threeQuarters = _mm_set1_pd(0.75);
    const __m128d quarter = _mm_set1_pd(0.25);
    const __m128 tenth = _mm_set1_ps(0.1f);
    // u and v of both points, u = j/64 stepped exactly (multiples of 1/64 up to 1); adding
    // -0 leaves v as it is, whatever its sign.
    const float du = static_cast<float>(stride * 0.015625);
    __m128 uv = _mm_setr_ps(0.0f, v, du, v);
    const __m128 uvStep = _mm_setr_ps(2 * du, -0.0f, 2 * du, -0.0f);

    // 64 is a multiple of 2·stride: the last pair is 64 − 2·stride and 64 − stride.
    for (int32_t j = 0; j < kRimPoints; j += 2 * stride) {
        const __m128 a = _mm_loadu_ps(&shape[j].x);          // x0 y0 shadeA0 shadeB0
        const __m128 b = _mm_loadu_ps(&shape[j + stride].x); // x1 y1 shadeA1 shadeB1
        const __m128 xy = _mm_unpacklo_ps(a, b);             // x0 x1 y0 y1
        const __m128d px = _mm_cvtps_pd(xy);
        const __m128d py = _mm_cvtps_pd(_mm_movehl_ps(xy, xy));
        const __m128d shadeA = _mm_cvtps_pd(_mm_unpackhi_ps(a, b));

        const __m128 wx = eyeX(px, py);
        __m128 wy = eyeY(px, py);
        const __m128 wz = eyeZ(px, py);
        const __m128 ahead = _mm_cmpgt_ps(wy, _mm_setzero_ps()); // false for not a number
        wy = _mm_or_ps(_mm_and_ps(ahead, wy), _mm_andnot_ps(ahead, tenth));
        const __m128d dwy = _mm_cvtps_pd(wy);

        const __m128 x = _mm_cvtpd_ps(_mm_div_pd(_mm_mul_pd(zoomPair, _mm_cvtps_pd(wx)), dwy));
        const __m128 y = _mm_cvtpd_ps(
            _mm_xor_pd(_mm_div_pd(_mm_mul_pd(zoomPair, _mm_cvtps_pd(wz)), dwy), signBit));
        const __m128 shade = _mm_cvtpd_ps(_mm_add_pd(_mm_mul_pd(threeQuarters, shadeA), quarter));

        const __m128 xyPairs = _mm_unpacklo_ps(x, y); // x0 y0 x1 y1
        _mm_storeu_ps(&row[j].x, _mm_movelh_ps(xyPairs, uv));
        _mm_store_ss(&row[j].shade, shade);
        _mm_storeu_ps(&row[j + stride].x, _mm_movehl_ps(uv, xyPairs));
        _mm_store_ss(&row[j + stride].shade, _mm_shuffle_ps(shade, shade, 1));
        uv = _mm_add_ps(uv, uvStep);
    }
    // Vertex 64 closes the strip: it is point 0 again, so all but its u = 1 is vertex 0's.
    row[kRimPoints] = row[0];
    row[kRimPoints].u = 1.0f;
}
#endif

// Projects the rim points of one visible ring into its row of ringVertices.
void projectRing(int32_t i, int32_t ring) {
    const RingFrame &frame = ringFrames[ring & 63];
    const ShapePoint *shape = ringShapes[ring & 63];
    const float v = static_cast<float>(ring * 0.03125);
    const double z = zoom;
    TunnelVertex *row = ringVertices[i];

#if VORTICEL_SSE2
    // polyStep is 1, 2, 4 or 8; any other stride takes the scalar loop.
    if (polyStep > 0 && 32 % polyStep == 0) {
        projectPairs(frame, shape, z, v, polyStep, row);
        return;
    }
#endif
    const Vector4 centre = frame.center;
    const Vector4 axisX = frame.axisX;
    const Vector4 axisZ = frame.axisZ;
    for (int32_t j = 0; j <= kRimPoints; j += polyStep) {
        const ShapePoint &p = shape[j & 63];
        const double px = p.x, py = p.y;
        const float wx = static_cast<float>(px * axisX.x + centre.x + py * axisZ.x);
        float wy = static_cast<float>(px * axisX.y + centre.y + py * axisZ.y);
        const float wz = static_cast<float>(px * axisX.z + centre.z + py * axisZ.z);
        // At or behind the eye's plane (or not a number): project as if 0.1 ahead.
        if (!(wy > 0.0f))
            wy = 0.1f;
        TunnelVertex &out = row[j];
        out.x = static_cast<float>(z * wx / wy);
        out.y = static_cast<float>(-(z * wz / wy));
        out.u = static_cast<float>(j * 0.015625);
        out.v = v;
        out.shade = static_cast<float>(0.75 * p.shadeA + 0.25);
    }
}

} // namespace

void buildTunnel(int32_t positionFixed) {
    const float fraction = static_cast<float>((positionFixed & 255) * 0.00390625);
    const int32_t baseRing = positionFixed >> 8;

    visibleRings = walk(baseRing, fraction);
    for (int32_t i = 0; i < visibleRings; ++i) {
        ringDepth[i] = static_cast<float>(i + 1.0 - fraction);
        projectRing(i, baseRing + i);
    }
}
