#pragma once
// The plane search of a small room for eight rays at once, one per lane of
// the widest vectors, inlined into the tracer's own vector code so that the
// rays stay in registers. Each lane does what TPlaneSearch::NextFlat does
// for one ray, operation by operation: the crossings, the choice of the
// nearest and, for planes whose outline is one triangle pair, the polygon
// test. What is left (near ties, other outlines, crossings outside, nothing
// ahead) is for the search of one ray.

#include <cfloat>
#include <limits>

#include "simulation/PlaneSearch.h"
#include "simulation/WideLanes.h"

#ifdef VELTO_WIDE_LANES

// Eight rays: where they are, where they go, the plane each left (-1: none).
struct WideRays {
    __m512d px, py, pz, vx, vy, vz;
    __m512i last;
    __mmask8 active;
};

// What Next gives for each lane that Find settles.
struct WideHits {
    __m512i plane;
    __m512d qx, qy, qz, distance;
};

struct WideSearch {
    // A batch's rays into vectors and back.
    VELTO_WIDE static WideRays LoadRays(const TPlaneSearch::TRayBatch& from)
    {
        WideRays to;
        to.px = _mm512_loadu_pd(from.px);
        to.py = _mm512_loadu_pd(from.py);
        to.pz = _mm512_loadu_pd(from.pz);
        to.vx = _mm512_loadu_pd(from.vx);
        to.vy = _mm512_loadu_pd(from.vy);
        to.vz = _mm512_loadu_pd(from.vz);
        to.last = _mm512_cvtepi32_epi64(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(from.lastPlane)));
        to.active = static_cast<__mmask8>(from.active);
        return to;
    }

    VELTO_WIDE static void StoreRays(const WideRays& from, TPlaneSearch::TRayBatch& to)
    {
        _mm512_storeu_pd(to.px, from.px);
        _mm512_storeu_pd(to.py, from.py);
        _mm512_storeu_pd(to.pz, from.pz);
        _mm512_storeu_pd(to.vx, from.vx);
        _mm512_storeu_pd(to.vy, from.vy);
        _mm512_storeu_pd(to.vz, from.vz);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(to.lastPlane), _mm512_cvtepi64_epi32(from.last));
        to.active = from.active;
    }

    // What the search reads of the planes. The tracer keeps a copy of its
    // own beside its other data for the whole of a run: how far apart data
    // lie in memory decides whether the processor takes a read for one of a
    // just written address, which then waits (the low twelve bits of
    // addresses are compared first), and within one thread's frame that
    // distance is the same on every run.
    using Tables = TPlaneSearch::Flat;
    static const Tables& TablesOf(const TPlaneSearch& search) { return search.m_flat; }

    // The hits of the active lanes that the vectors settle; returns those lanes.
    VELTO_WIDE static __mmask8 Find(const Tables& m_flat, const WideRays& rays, WideHits& hits)
    {
        using namespace wide;
        using Flat = TPlaneSearch::Flat;
        const __m512d px = rays.px, py = rays.py, pz = rays.pz;
        const __m512d vx = rays.vx, vy = rays.vy, vz = rays.vz;
        const __m512i last = rays.last;
        const __mmask8 active = rays.active;
        const __m512d zero = _mm512_setzero_pd();

        // TVector::Normalize.
        const __m512d module = _mm512_sqrt_pd(dot(vx, vy, vz, vx, vy, vz));
        const __m512d ux = _mm512_div_pd(vx, module), uy = _mm512_div_pd(vy, module), uz = _mm512_div_pd(vz, module);
        const __m512d ex = add(px, ux), ey = add(py, uy), ez = add(pz, uz);

        __m512d least = _mm512_set1_pd(std::numeric_limits<double>::infinity());
        __m512d second = least;
        __m512i nearest = _mm512_set1_epi64(-1);
        __m512d bestX = zero, bestY = zero, bestZ = zero;
        const double(*rows)[Flat::kLanes] = m_flat.rows;
        for (int i = 0; i < m_flat.count; ++i) {
            if ((m_flat.usable >> i & 1u) == 0) {
                continue;
            }
            const __m512d nx = _mm512_set1_pd(rows[Flat::kNx][i]), ny = _mm512_set1_pd(rows[Flat::kNy][i]),
                          nz = _mm512_set1_pd(rows[Flat::kNz][i]);
            const __m512d ox = _mm512_set1_pd(rows[Flat::kOx][i]), oy = _mm512_set1_pd(rows[Flat::kOy][i]),
                          oz = _mm512_set1_pd(rows[Flat::kOz][i]);
            const __m512d distPo = dot(nx, ny, nz, sub(px, ox), sub(py, oy), sub(pz, oz));
            const __m512d distP1 = dot(nx, ny, nz, sub(ex, ox), sub(ey, oy), sub(ez, oz));
            const __m512d d = _mm512_div_pd(distPo, sub(distPo, distP1));
            const __m512d qx = add(px, mul(ux, d)), qy = add(py, mul(uy, d)), qz = add(pz, mul(uz, d));
            const __m512d ax = sub(qx, px), ay = sub(qy, py), az = sub(qz, pz);
            const __m512d along = dot(ax, ay, az, vx, vy, vz);
            const __m512d facing = dot(nx, ny, nz, vx, vy, vz);
            const __m512d s = dot(ax, ay, az, ax, ay, az);
            const __mmask8 valid = _mm512_cmp_pd_mask(facing, zero, _CMP_NEQ_UQ) &
                                   _mm512_cmp_pd_mask(along, zero, _CMP_GT_OQ) &
                                   _mm512_cmp_pd_mask(s, _mm512_set1_pd(DBL_MAX), _CMP_LE_OQ) &
                                   _mm512_cmpneq_epi64_mask(last, _mm512_set1_epi64(i));
            // second = std::min(second, std::max(least, s)); then the nearest
            // (the first of equal squares) and least = std::min(least, s).
            const __m512d above = _mm512_mask_blend_pd(_mm512_cmp_pd_mask(least, s, _CMP_LT_OQ), least, s);
            second = _mm512_mask_blend_pd(valid & _mm512_cmp_pd_mask(above, second, _CMP_LT_OQ), second, above);
            const __mmask8 nearer = valid & _mm512_cmp_pd_mask(s, least, _CMP_LT_OQ);
            nearest = _mm512_mask_blend_epi64(nearer, nearest, _mm512_set1_epi64(i));
            bestX = _mm512_mask_blend_pd(nearer, bestX, qx);
            bestY = _mm512_mask_blend_pd(nearer, bestY, qy);
            bestZ = _mm512_mask_blend_pd(nearer, bestZ, qz);
            least = _mm512_mask_blend_pd(nearer, least, s);
        }
        const __mmask8 quick = active &
                               _mm512_cmp_pd_mask(second, mul(least, _mm512_set1_pd(1.0 + 1e-14)), _CMP_GT_OQ) &
                               _mm512_cmp_pd_mask(least, _mm512_set1_pd(DBL_MIN), _CMP_GE_OQ);

        // Inside() of the nearest plane, for planes of one triangle pair.
        const __mmask8 onePair =
            quick & _mm512_test_epi64_mask(_mm512_srlv_epi64(_mm512_set1_epi64(m_flat.onePair), nearest),
                                           _mm512_set1_epi64(1));
        __mmask8 inside = 0;
        if (onePair != 0) {
            // Row k of the outline table, for each lane's nearest plane.
            const double(*outline)[Flat::kLanes] = m_flat.outline;
            const __m512d dx = sub(bestX, Pick(outline[Flat::kOrigin], nearest));
            const __m512d dy = sub(bestY, Pick(outline[Flat::kOrigin + 1], nearest));
            const __m512d dz = sub(bestZ, Pick(outline[Flat::kOrigin + 2], nearest));
            const __m512d x = dot(Pick(outline[Flat::kToLocal], nearest), Pick(outline[Flat::kToLocal + 1], nearest),
                                  Pick(outline[Flat::kToLocal + 2], nearest), dx, dy, dz);
            const __m512d y = dot(Pick(outline[Flat::kToLocal + 3], nearest),
                                  Pick(outline[Flat::kToLocal + 4], nearest),
                                  Pick(outline[Flat::kToLocal + 5], nearest), dx, dy, dz);
            for (int lane = 0; lane < 2; ++lane) {
                const double(*row)[Flat::kLanes] = outline + Flat::kPair + lane * Flat::kPairValues;
                const __m512d c0x = Pick(row[0], nearest), c0y = Pick(row[1], nearest);
                const __m512d c1x = Pick(row[2], nearest), c1y = Pick(row[3], nearest);
                const __m512d c2x = Pick(row[4], nearest), c2y = Pick(row[5], nearest);
                const __m512d c1xc2y = Pick(row[6], nearest), c1yc2x = Pick(row[7], nearest);
                const __m512d c0yc2x = Pick(row[8], nearest), c0xc2y = Pick(row[9], nearest);
                const __m512d c0c1 = Pick(row[10], nearest);
                const __m512d flip = Pick(row[11], nearest), floorAt = Pick(row[12], nearest);
                // Inside()'s sums, term by term from the left.
                __m512d t = add(sub(mul(x, c1y), mul(y, c1x)), mul(y, c2x));
                t = add(sub(t, mul(x, c2y)), c1xc2y);
                const __m512d a1 = AsFloat(sub(t, c1yc2x));
                t = add(sub(mul(c0x, y), mul(c0y, x)), c0yc2x);
                t = add(sub(t, c0xc2y), mul(x, c2y));
                const __m512d a2 = AsFloat(sub(t, mul(y, c2x)));
                t = sub(add(c0c1, mul(c0y, x)), mul(c0x, y));
                const __m512d a3 = AsFloat(sub(add(t, mul(c1x, y)), mul(c1y, x)));
                inside |= _mm512_cmp_pd_mask(mul(flip, a1), floorAt, _CMP_GE_OQ) &
                          _mm512_cmp_pd_mask(mul(flip, a2), floorAt, _CMP_GE_OQ) &
                          _mm512_cmp_pd_mask(mul(flip, a3), floorAt, _CMP_GE_OQ);
            }
            inside &= onePair;
        }
        hits.plane = nearest;
        hits.qx = bestX;
        hits.qy = bestY;
        hits.qz = bestZ;
        hits.distance = _mm512_sqrt_pd(least);
        return inside;
    }

    // TPlaneSearch::NextBatch: Find, then the search of one ray for the lanes left.
    [[VELTO_WIDE_TARGET]] static void NextBatch(const TPlaneSearch& search, const TPlaneSearch::TRayBatch& rays,
                                                TPlaneSearch::TBatchHits& hits);
};

#endif
