#include "platform/touch/TouchMap.h"

#include <cstdio>
#include <cwchar>
#include <vector>

namespace dv::touch {
namespace {

double Share(int value, AbsRange range) {
    return static_cast<double>(value - range.minimum) / (range.maximum - range.minimum);
}

// Six decimals, without the zeros that end them: "1", "-0.25", "0.003906".
std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", value);
    std::string s = text;
    s.erase(s.find_last_not_of('0') + 1);
    if (s.back() == '.') {
        s.pop_back();
    }
    return s == "-0" ? "0" : s;
}

}  // namespace

PlanePoint TouchMap::Normalise(RawPoint raw) const {
    return {Share(raw.x, m_x), Share(raw.y, m_y)};
}

bool TouchMap::Calibrate(std::span<const RawPoint> raw, std::span<const PlanePoint> targets) {
    std::vector<PlanePoint> from;
    for (const RawPoint& p : raw) {
        from.push_back(Normalise(p));
    }
    const auto fit = FitAffine(from, targets);
    if (!fit) {
        return false;
    }
    m_matrix = *fit;
    return true;
}

PlanePoint TouchMap::ToDisplay(RawPoint raw) const {
    return m_matrix.Apply(Normalise(raw));
}

std::optional<PlanePoint> TouchMap::ToRaw(PlanePoint display) const {
    const auto inverse = m_matrix.Inverse();
    if (!inverse) {
        return std::nullopt;
    }
    const PlanePoint uv = inverse->Apply(display);
    return PlanePoint{m_x.minimum + uv.x * (m_x.maximum - m_x.minimum),
                      m_y.minimum + uv.y * (m_y.maximum - m_y.minimum)};
}

std::optional<CalibrationPoints> ParseCalibration(std::wstring_view text) {
    CalibrationPoints points;
    std::wstring copy(text);
    const wchar_t* cursor = copy.c_str();
    for (RawPoint& p : points) {
        int used = 0;
        if (std::swscanf(cursor, L" %d,%d%n", &p.x, &p.y, &used) != 2) {
            return std::nullopt;
        }
        cursor += used;
    }
    while (*cursor == L' ') {
        ++cursor;
    }
    if (*cursor != L'\0') {
        return std::nullopt;
    }
    return points;
}

std::string MatrixText(const Affine& m) {
    return Number(m.a) + " " + Number(m.b) + " " + Number(m.c) + " " + Number(m.d) + " " +
           Number(m.e) + " " + Number(m.f);
}

}  // namespace dv::touch
