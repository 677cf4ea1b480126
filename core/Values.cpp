#include "core-interface/Values.h"

#include "core-interface/Exception.h"

namespace Nimbal {

bool AffineTm::tryInverse(AffineTm& result) const {
    // Inverse of the linear part by cofactors, in double so that nearly
    // singular scales keep their digits; the translation follows as -A^-1 t.
    const double a = m[0][0], b = m[0][1], c = m[0][2];
    const double d = m[1][0], e = m[1][1], f = m[1][2];
    const double g = m[2][0], h = m[2][1], k = m[2][2];
    const double c00 = e * k - f * h, c01 = c * h - b * k, c02 = b * f - c * e;
    const double c10 = f * g - d * k, c11 = a * k - c * g, c12 = c * d - a * f;
    const double c20 = d * h - e * g, c21 = b * g - a * h, c22 = a * e - b * d;
    const double det = a * c00 + b * c10 + c * c20;
    if (det == 0.0 || !std::isfinite(det)) return false;
    const double inv[3][3] = {{c00 / det, c01 / det, c02 / det},
                              {c10 / det, c11 / det, c12 / det},
                              {c20 / det, c21 / det, c22 / det}};
    AffineTm r;
    for (int i = 0; i < 3; ++i) {
        double t = 0.0;
        for (int j = 0; j < 3; ++j) {
            r.m[i][j] = float(inv[i][j]);
            t -= inv[i][j] * m[j][3];
        }
        r.m[i][3] = float(t);
    }
    result = r;
    return true;
}

AffineTm AffineTm::inverse() const {
    AffineTm r;
    NIMBAL_ASSERT(tryInverse(r));
    return r;
}

} // namespace Nimbal
