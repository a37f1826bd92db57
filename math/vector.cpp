#include "math/vector.h"

#include "math/trig.h"

void Matrix3::fromAngles(float p, float q, float r) {
    // Sines and cosines in double precision from the float angles, each kept as a float;
    // sine and cosine rather than the C library's, whose last bits differ between platforms.
    const float cp = static_cast<float>(cosine(static_cast<double>(p)));
    const float sp = static_cast<float>(sine(static_cast<double>(p)));
    const float cq = static_cast<float>(cosine(static_cast<double>(q)));
    const float sq = static_cast<float>(sine(static_cast<double>(q)));
    const float cr = static_cast<float>(cosine(static_cast<double>(r)));
    const float sr = static_cast<float>(sine(static_cast<double>(r)));

    // Each entry in double precision, left to right as written, rounded once.
    const double dcp = cp, dsp = sp, dcq = cq, dsq = sq, dcr = cr, dsr = sr;
    row[0].x = static_cast<float>(dcq * dcr);
    row[0].y = static_cast<float>(dcp * dsr * dcq + dsp * dsq);
    row[0].z = static_cast<float>(dsp * dsr * dcq - dcp * dsq);
    row[1].x = static_cast<float>(-dsr);
    row[1].y = static_cast<float>(dcp * dcr);
    row[1].z = static_cast<float>(dsp * dcr);
    row[2].x = static_cast<float>(dcr * dsq);
    row[2].y = static_cast<float>(dcp * dsr * dsq - dsp * dcq);
    row[2].z = static_cast<float>(dsp * dsr * dsq + dcp * dcq);
}
