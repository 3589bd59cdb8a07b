#include "simulation/TRay.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace {

TRay Arrival(unsigned index, float azim, float elev, int id)
{
    TRay r(2);
    const float energies[2] = {0.00123f, 0.00045f};
    TDirection arrival, start;
    arrival.Set(azim, elev, 1);
    start.Set(45.0f, 10.125f, 1);
    r.Set(index, energies, arrival, 3, 0.845213f, start);
    r.SetId(id);
    return r;
}

} // namespace

TEST(TRay, TextLineAndAzimuthNormalisation)
{
    TRay r = Arrival(1234, 271.5f, -12.25f, 17);
    EXPECT_EQ(WrittenText([&](FILE* f) { r.Save(f); }), "1234 0.845213 271.500 -12.250 3 45.000 10.125 0.00123 0.00045 17\n");
    const std::pair<float, float> cases[] = {{-90.0f, 270.0f}, {725.0f, 5.0f}, {360.0f, 0.0f}, {0.0f, 0.0f}};
    for (const auto& [given, stored] : cases) {
        TRay a = Arrival(1, given, 0, 0);
        EXPECT_FLOAT_EQ(a.dir.azim, stored) << given;
    }
}

// The line is built without printf, which is slow for the tiny energies of
// late arrivals; it must still be printf's, character for character, for
// every value a float can hold.
TEST(TRay, TextLineIsPrintfsForAnyValue)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const float values[] = {0.0f, -0.0f, 1.0f, -1.0f, 0.0005f, 0.0015f, 2.5e-12f, 1.0e-38f, 1.4e-45f, 123456.5f,
                            9999995.0f, 3.4028235e38f, -3.4028235e38f, 359.9995f, -179.99951f, 1e-5f, 1e-4f,
                            999999.5f, nan, -nan, inf, -inf};
    for (const float a : values) {
        for (const float b : {0.25f, 7.0e-7f}) {
            TRay r(3);
            const float energies[3] = {a, b, a * 1e-20f};
            TDirection arrival, start;
            arrival.Set(a, -a, 1);
            start.Set(b, a, 1);
            r.Set(4000000000u, energies, arrival, -7, a, start);
            r.SetId(-3);
            r.FixAzimuth();
            char expected[2048];
            std::snprintf(expected, sizeof expected, "%u %1.6f %1.3f %1.3f %d %1.3f %1.3f %g %g %g %d\n", r.index,
                          static_cast<double>(r.fatordist), static_cast<double>(r.dir.azim),
                          static_cast<double>(r.dir.elev), r.reflections, static_cast<double>(r.startDir.azim),
                          static_cast<double>(r.startDir.elev), static_cast<double>(r.spectrum[0]),
                          static_cast<double>(r.spectrum[1]), static_cast<double>(r.spectrum[2]), r.ID);
            std::string line = "before ";
            r.Format(line);
            EXPECT_EQ(line, std::string("before ") + expected) << a << " " << b;
        }
    }
}

TEST(TRay, SaveReadRoundTripAndGetFromFile)
{
    FILE* f = std::tmpfile();
    for (unsigned i = 0; i < 5; ++i) {
        TRay r = Arrival(100 + i, 10.0f * i, -5.0f, static_cast<int>(i));
        r.Save(f);
    }
    std::rewind(f);
    TRay first(2);
    ASSERT_TRUE(first.Read(f));
    EXPECT_FLOAT_EQ(first.startDir.elev, 10.125f);

    TRay fourth(2);
    ASSERT_TRUE(fourth.GetFromFile(f, 3));
    EXPECT_EQ(fourth.index, 103u);
    EXPECT_EQ(fourth.ID, 3);
    TRay next(2);
    ASSERT_TRUE(next.Read(f));
    EXPECT_EQ(next.index, 101u) << "the caller's position is kept";
    EXPECT_FALSE(next.GetFromFile(f, 5)) << "past the last record";

    TRay wrongBands(3);
    std::rewind(f);
    EXPECT_FALSE(wrongBands.Read(f));
    std::fclose(f);
}

TEST(Raio_st, BandLimit)
{
    Raio_st ok(30);
    EXPECT_EQ(ok.NumBands, 30u);
    ErrorRecorder errors;
    EXPECT_THROW(Raio_st(31), FatalError);
    EXPECT_EQ(errors.texts, std::vector<std::string>{"Raio_st error: Nbands > MAX_NUMBANDS\n"});
}
