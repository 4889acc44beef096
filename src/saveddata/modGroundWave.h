// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Ground-wave field strength over a smooth spherical earth (effective radius
// 4/3 of 6370 km) from a short vertical antenna at ground level to a
// receiver at ground level, vertical polarization:
//
//     E(d) = E1 / d * |W(d)|
//
// where E1 is the unattenuated field at 1 km (over perfectly conducting flat
// ground) and W the ground-wave attenuation factor. Close in, W is the
// Sommerfeld-Norton flat-earth factor with the first curvature terms of
// Fock's small-distance expansion; farther out, the residue series over the
// roots of w1'(t) = q w1(t) (Fock's Airy function). The switch lies where
// both forms hold, so the curve has no visible step there.
#include <QString>
#include <complex>
#include <vector>

struct GroundParameters
{
    double frequencyKhz = 1000;
    double conductivityMsm = 5; // mS/m
    double permittivity = 15;   // relative
};

// The ranges the model is checked over; outside them it refuses.
constexpr double kGroundMinKhz = 100, kGroundMaxKhz = 2000;
constexpr double kGroundMinMsm = 0.1, kGroundMaxMsm = 5000;
constexpr double kGroundMinPermittivity = 1, kGroundMaxPermittivity = 80;
constexpr double kGroundMinKm = 0.1, kGroundMaxKm = 1000;

// Empty when the parameters lie in range, else the reason ("conductivity
// 6000 mS/m is outside 0.1 to 5000 mS/m").
QString GroundParametersError(const GroundParameters &ground);
// Likewise for a distance.
QString GroundDistanceError(double km);

// The model for one frequency and ground: the roots are found once, then
// each distance costs a short sum.
class GroundWave
{
public:
    // The parameters must be in range (see GroundParametersError). Not
    // for use from two threads at once: the roots are found on demand.
    explicit GroundWave(const GroundParameters &ground);

    // |W| at `km` (in range), 1 close in over good ground, falling with distance.
    double attenuation(double km) const;
    // The field in mV/m at `km` for an unattenuated field `e1` mV/m at 1 km.
    double field(double e1, double km) const { return e1 / km * attenuation(km); }

    // The two forms on their own, for the tests of the switch.
    std::complex<double> flatEarthForm(double km) const;
    std::complex<double> residueForm(double km) const;
    // The distance in km where the model changes from one to the other.
    double switchKm() const { return m_switchX * m_radius / m_m / 1000; }

private:
    double m_radius;   // m
    double m_m;        // (ka/2)^(1/3)
    std::complex<double> m_q;
    double m_switchX;
    std::complex<double> root(int s) const;
    mutable std::vector<std::complex<double>> m_roots; // found on demand
};

namespace GroundWaveMath {
// Airy function and its derivative of a complex argument.
void Airy(std::complex<double> z, std::complex<double> *ai, std::complex<double> *aip);
// Faddeeva function w(z) = exp(-z^2) erfc(-iz), for Im z >= 0.
std::complex<double> Faddeeva(std::complex<double> z);
} // namespace GroundWaveMath
