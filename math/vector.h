// Four-float vectors and three-row rotation matrices for the tunnel geometry.
//
// Storage is single precision throughout; dot products and the matrix entries are formed in
// double precision and rounded once when stored, so results are reproducible to the bit.
#pragma once

struct Vector4 {
    float x, y, z, w;

    // Leaves all four components unset, like a plain struct.
    Vector4() = default;
    Vector4(float x_, float y_, float z_) : x(x_), y(y_), z(z_), w(1.0f) {}

    // Sum of the three products, x first, in double precision; w takes no part.
    double dot(const Vector4 &o) const {
        return static_cast<double>(x) * o.x + static_cast<double>(y) * o.y +
               static_cast<double>(z) * o.z;
    }

    void add(const Vector4 &o) {
        x += o.x;
        y += o.y;
        z += o.z;
    }

    Vector4 &operator+=(const Vector4 &o) {
        add(o);
        return *this;
    }
};

inline double dot(const Vector4 &a, const Vector4 &b) {
    return a.dot(b);
}

// (s·v.x, s·v.y, s·v.z) in single precision, with w = 1 whatever v.w holds.
inline Vector4 scaled(const Vector4 &v, float s) {
    return Vector4(s * v.x, s * v.y, s * v.z);
}

struct Matrix3 {
    Vector4 row[3];

    // The identity; the rows' w are 1 and are never read.
    Matrix3() : row{Vector4(1, 0, 0), Vector4(0, 1, 0), Vector4(0, 0, 1)} {}

    // Rotation Ry(-q)·Rz(-r)·Rx(-p), entry by entry as the table of products below; rows' w kept.
    void fromAngles(float p, float q, float r);

    // v = M·v, every new component computed from a copy of the old v; v.w kept.
    void transform(Vector4 &v) const {
        const Vector4 c = v;
        v.x = static_cast<float>(row[0].dot(c));
        v.y = static_cast<float>(row[1].dot(c));
        v.z = static_cast<float>(row[2].dot(c));
    }

    // out = M·in; in and out must be different vectors. out.w kept.
    void transform(const Vector4 &in, Vector4 &out) const {
        out.x = static_cast<float>(row[0].dot(in));
        out.y = static_cast<float>(row[1].dot(in));
        out.z = static_cast<float>(row[2].dot(in));
    }
};
