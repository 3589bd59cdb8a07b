#include "directivity/daff/DAFFProperties.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kDegToRad = 3.14159265358979323846 / 180.0;

std::int64_t RecordIndex64(const DAFFProperties& p, std::int64_t a, std::int64_t b)
{
    const std::int64_t points = p.alphaPoints;
    const bool lastRingIsNorthPole = b == p.betaPoints - 1 && p.betaEnd == 180.0f;
    if (p.betaStart == 0.0f) {
        // The south pole is record 0; the rings above start at record 1.
        if (b == 0) {
            return 0;
        }
        if (lastRingIsNorthPole) {
            return points * (b - 1) + 1;
        }
        return points * (b - 1) + 1 + a;
    }
    if (lastRingIsNorthPole) {
        return points * b;
    }
    return points * b + a;
}

// Angle brought into [0, 360).
double Wrap360(double angle)
{
    if (angle >= 0.0 && angle < 360.0) {
        return angle;
    }
    double wrapped = std::fmod(angle, 360.0);
    if (wrapped < 0.0) {
        wrapped += 360.0;
    }
    return wrapped >= 360.0 ? 0.0 : wrapped;
}

// Angular distance the shorter way round the circle, degrees.
double CircleDistance(double a, double b)
{
    const double d = std::fabs(Wrap360(a) - Wrap360(b));
    return std::min(d, 360.0 - d);
}

// floor(x + 0.5) limited to [0, last]; non-finite values give 0.
int RoundedIndex(double x, int last)
{
    if (!std::isfinite(x)) {
        return 0;
    }
    const double rounded = std::floor(x + 0.5);
    if (rounded <= 0.0) {
        return 0;
    }
    return rounded >= last ? last : static_cast<int>(rounded);
}

} // namespace

void DAFFProperties::DeriveResolutions()
{
    alphaSpan = alphaEnd > alphaStart ? alphaEnd - alphaStart : (360.0f - alphaStart) + alphaEnd;
    fullAlphaCircle = alphaSpan == 360.0f;
    if (alphaPoints <= 1) {
        alphaResolution = 0.0f;
    } else if (fullAlphaCircle) {
        alphaResolution = alphaSpan / static_cast<float>(alphaPoints);
    } else {
        alphaResolution = alphaSpan / static_cast<float>(alphaPoints - 1);
    }
    betaSpan = betaEnd - betaStart;
    betaResolution = betaPoints <= 1 ? 0.0f : betaSpan / static_cast<float>(betaPoints - 1);
}

std::int64_t DAFFProperties::GridRecordCount() const
{
    if (alphaPoints < 1 || betaPoints < 1) {
        return 0;
    }
    std::int64_t last = RecordIndex64(*this, alphaPoints - 1, betaPoints - 1);
    if (betaPoints >= 2) {
        last = std::max(last, RecordIndex64(*this, alphaPoints - 1, betaPoints - 2));
    }
    return last + 1;
}

void DAFFProperties::ObjectToData(float phi, float theta, float& alpha, float& beta) const
{
    double az = std::isfinite(phi) ? phi : 0.0;
    double el = std::isfinite(theta) ? theta : 0.0;
    if (orientYaw == 0.0f && orientPitch == 0.0f && orientRoll == 0.0f) {
        // Kept free of trigonometry so that grid angles map exactly onto grid points.
        if (el < -90.0 || el > 90.0) {
            el = Wrap360(el + 180.0) - 180.0;
            if (el > 90.0) {
                el = 180.0 - el;
                az += 180.0;
            } else if (el < -90.0) {
                el = -180.0 - el;
                az += 180.0;
            }
        }
        alpha = static_cast<float>(Wrap360(az));
        beta = static_cast<float>(el + 90.0);
        return;
    }
    const double ca = std::cos(az * kDegToRad);
    const double sa = std::sin(az * kDegToRad);
    const double ce = std::cos(el * kDegToRad);
    const double se = std::sin(el * kDegToRad);
    const double v[3] = {ce * ca, ce * sa, se};

    // R = Rz(yaw) * Rpitch * Rx(roll); the data-view direction is R^T v.
    const double cy = std::cos(orientYaw * kDegToRad), sy = std::sin(orientYaw * kDegToRad);
    const double cp = std::cos(orientPitch * kDegToRad), sp = std::sin(orientPitch * kDegToRad);
    const double cr = std::cos(orientRoll * kDegToRad), sr = std::sin(orientRoll * kDegToRad);
    const double rz[3][3] = {{cy, -sy, 0.0}, {sy, cy, 0.0}, {0.0, 0.0, 1.0}};
    // Positive pitch turns the front (+x) towards up (+z).
    const double ry[3][3] = {{cp, 0.0, -sp}, {0.0, 1.0, 0.0}, {sp, 0.0, cp}};
    const double rx[3][3] = {{1.0, 0.0, 0.0}, {0.0, cr, -sr}, {0.0, sr, cr}};
    double zy[3][3] = {};
    double r[3][3] = {};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            for (int k = 0; k < 3; ++k) {
                zy[i][j] += rz[i][k] * ry[k][j];
            }
        }
    }
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            for (int k = 0; k < 3; ++k) {
                r[i][j] += zy[i][k] * rx[k][j];
            }
        }
    }
    double d[3] = {};
    for (int i = 0; i < 3; ++i) {
        for (int k = 0; k < 3; ++k) {
            d[i] += r[k][i] * v[k];
        }
    }
    alpha = static_cast<float>(Wrap360(std::atan2(d[1], d[0]) / kDegToRad));
    beta = static_cast<float>(std::asin(std::clamp(d[2], -1.0, 1.0)) / kDegToRad + 90.0);
}

int DAFFProperties::NearestAlphaIndex(float alpha) const
{
    if (alphaPoints <= 1) {
        return 0;
    }
    const double a = Wrap360(std::isfinite(alpha) ? alpha : 0.0);
    double offset = a - alphaStart;
    if (offset < 0.0) {
        offset += 360.0;
    }
    if (offset <= alphaSpan) {
        const int index = RoundedIndex(offset / alphaResolution, alphaPoints);
        // Past the last point of a full circle lies the first one again.
        if (index == alphaPoints) {
            return fullAlphaCircle ? 0 : alphaPoints - 1;
        }
        return index;
    }
    return CircleDistance(a, alphaStart) <= CircleDistance(a, alphaEnd) ? 0 : alphaPoints - 1;
}

int DAFFProperties::NearestBetaIndex(float beta) const
{
    if (betaPoints <= 1) {
        return 0;
    }
    const double b = std::isfinite(beta) ? beta : 90.0;
    if (b >= betaStart && b <= betaEnd) {
        if (betaResolution <= 0.0f) {
            return 0;
        }
        return RoundedIndex((b - betaStart) / betaResolution, betaPoints - 1);
    }
    return std::fabs(b - betaStart) <= std::fabs(b - betaEnd) ? 0 : betaPoints - 1;
}

int DAFFProperties::RecordIndex(int alphaIndex, int betaIndex) const
{
    return static_cast<int>(RecordIndex64(*this, alphaIndex, betaIndex));
}
