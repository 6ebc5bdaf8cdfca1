// The reference passes, one formula after the other as they are written.
#include "matting_reference.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <utility>

namespace matting_reference {

const SampleKind kKind8{255, 255.99f, 255.99f, 1.0f};
const SampleKind kKind16{65535, 65535.99f, 65535.988f, 257.0f};
const SampleKind kKind15{32768, 32768.99f, 32768.988f, 128.50197f};

namespace {

constexpr uint8_t kKeep = 0x02, kDelete = 0x04, kPass = 0x80, kDone = 0x40;

int truncToInt(float v) {
    return static_cast<int>(v);
}

// ------------------------------------------------------------ distances

constexpr float kAxial = 0.9619349f, kDiagonal = 1.3604507f, kUnreached = 1.7014117e38f;

// Keep (0) and delete (1) distances through unmarked pixels: every unmarked
// pixel takes the least sum of step costs, summed in single precision from the
// mark outwards, over all paths that cross no marked pixel. Relaxed until
// nothing changes.
std::vector<std::array<float, 2>> distancesOf(const Bytes& status) {
    std::vector<std::array<float, 2>> d(status.bytes.size());
    for (std::size_t i = 0; i < d.size(); ++i) {
        const float start = (status.bytes[i] & 6) ? 0.0f : kUnreached;
        d[i] = {start, start};
    }
    for (int k = 0; k < 2; ++k) {
        const uint8_t mask = k == 0 ? kKeep : kDelete;
        for (bool changed = true; changed;) {
            changed = false;
            for (int r = 0; r < status.rows; ++r) {
                for (int c = 0; c < status.columns; ++c) {
                    if (status.at(r, c) & 6) continue;
                    float& value = d[static_cast<std::size_t>(r) * status.columns + c][k];
                    for (int dr = -1; dr <= 1; ++dr) {
                        for (int dc = -1; dc <= 1; ++dc) {
                            const int nr = r + dr, nc = c + dc;
                            if ((dr == 0 && dc == 0) || nr < 0 || nc < 0 || nr >= status.rows ||
                                nc >= status.columns)
                                continue;
                            const float step = dr != 0 && dc != 0 ? kDiagonal : kAxial;
                            const uint8_t s = status.at(nr, nc);
                            float via;
                            if (s & mask)
                                via = 0.0f + step;
                            else if (s & 6)
                                continue; // a wall
                            else {
                                const float from =
                                    d[static_cast<std::size_t>(nr) * status.columns + nc][k];
                                if (from == kUnreached) continue;
                                via = from + step;
                            }
                            if (via < value) {
                                value = via;
                                changed = true;
                            }
                        }
                    }
                }
            }
        }
    }
    return d;
}

// ------------------------------------------------------------ nearest colours

// Nearest class colour carried over the estimation box by the two chamfer
// scans, then the band smoothed like a membrane. Colours over the box, 8 bits.
std::vector<std::array<int, 3>> nearestColours(const Bytes& status, const Area& box,
                                               const Image& analysis, uint8_t cls,
                                               float membraneValue) {
    const int rows = box.lastRow - box.firstRow + 1 + 4,
              columns = box.lastColumn - box.firstColumn + 1 + 4;
    const auto index = [&](int r, int c) {
        return static_cast<std::size_t>(r - box.firstRow + 2) * columns + (c - box.firstColumn + 2);
    };
    std::vector<int> label(static_cast<std::size_t>(rows) * columns, 2);
    std::vector<int> distance(label.size(), 1073741823);
    std::vector<std::array<int, 3>> colour(label.size(), {0, 0, 0});
    for (int r = box.firstRow; r <= box.lastRow; ++r) {
        for (int c = box.firstColumn; c <= box.lastColumn; ++c) {
            const uint8_t s = status.at(r, c);
            int l = 2;
            if (s & cls)
                l = 1;
            else if ((s & 0xC0) == 0x80)
                l = 0;
            label[index(r, c)] = l;
            if (l == 1) distance[index(r, c)] = 0;
            const Pixel& a = analysis.at(r, c);
            colour[index(r, c)] = {a[0], a[1], a[2]};
        }
    }
    const int steps[8][3] = {{0, -1, 34}, {-1, -2, 76}, {-1, -1, 48}, {-1, 0, 34},
                             {-1, 1, 48}, {-1, 2, 76},  {-2, -1, 76}, {-2, 1, 76}};
    const auto relax = [&](int r, int c, int sign) {
        for (const auto& st : steps) {
            const std::size_t from = index(r + sign * st[0], c + sign * st[1]), to = index(r, c);
            if (distance[from] + st[2] < distance[to]) {
                distance[to] = distance[from] + st[2];
                colour[to] = colour[from];
            }
        }
    };
    for (int r = box.firstRow; r <= box.lastRow; ++r)
        for (int c = box.firstColumn; c <= box.lastColumn; ++c)
            relax(r, c, 1);
    for (int r = box.lastRow; r >= box.firstRow; --r)
        for (int c = box.lastColumn; c >= box.firstColumn; --c)
            relax(r, c, -1);

    const int iterations = 1 - truncToInt(membraneValue * -99.0f);
    for (int it = 0; it < iterations; ++it) {
        for (int r = box.firstRow; r <= box.lastRow; ++r) {
            for (int c = box.firstColumn; c <= box.lastColumn; ++c) {
                if (label[index(r, c)] != 0) continue;
                int sum[3] = {0, 0, 0}, count = 0;
                for (const auto& n : {std::pair{r - 1, c}, std::pair{r + 1, c}, std::pair{r, c - 1},
                                      std::pair{r, c + 1}}) {
                    if (label[index(n.first, n.second)] == 2) continue;
                    for (int ch = 0; ch < 3; ++ch)
                        sum[ch] += colour[index(n.first, n.second)][ch];
                    ++count;
                }
                if (count == 0) continue; // Mended: nothing to average, keep the colour.
                for (int ch = 0; ch < 3; ++ch) {
                    const float own = static_cast<float>(colour[index(r, c)][ch]);
                    const float v =
                        0.5f - 0.5f * own + 1.5f * static_cast<float>(sum[ch]) * (1.0f / count);
                    colour[index(r, c)][ch] = std::clamp(truncToInt(v), 0, 255);
                }
            }
        }
    }
    std::vector<std::array<int, 3>> out;
    for (int r = box.firstRow; r <= box.lastRow; ++r)
        for (int c = box.firstColumn; c <= box.lastColumn; ++c)
            out.push_back(colour[index(r, c)]);
    return out;
}

// ------------------------------------------------------------ class colour pyramid

struct CellLevel {
    Area box; // cell coordinates
    std::vector<std::array<float, 4>> cells;
    std::array<float, 4>& at(int r, int c) {
        return cells[static_cast<std::size_t>(r - box.firstRow) *
                         (box.lastColumn - box.firstColumn + 1) +
                     (c - box.firstColumn)];
    }
    const std::array<float, 4>& at(int r, int c) const {
        return const_cast<CellLevel*>(this)->at(r, c);
    }
};

CellLevel emptyLevel(const Area& box) {
    CellLevel l;
    l.box = box;
    l.cells.assign(static_cast<std::size_t>(box.lastRow - box.firstRow + 1) *
                       (box.lastColumn - box.firstColumn + 1),
                   {0, 0, 0, 0});
    return l;
}

Area halved(const Area& a) {
    return {a.firstRow / 2, a.firstColumn / 2, a.lastRow / 2, a.lastColumn / 2};
}

std::vector<CellLevel> classPyramid(const Bytes& status, const Area& e, uint8_t cls,
                                    const Image& colours) {
    std::vector<CellLevel> pyramid;
    CellLevel level = emptyLevel(halved(e));
    std::vector<std::pair<int, int>> touched;
    const auto lacks = [&](int r, int c) { return (status.at(r, c) & cls) == 0; };
    for (int r = e.firstRow; r <= e.lastRow; ++r) {
        for (int c = e.firstColumn; c <= e.lastColumn; ++c) {
            if ((status.at(r, c) & cls & 0x0F) == 0) continue;
            const bool boundary = (r - 1 >= e.firstRow && lacks(r - 1, c)) ||
                                  (c - 1 >= e.firstColumn && lacks(r, c - 1)) ||
                                  (r + 1 <= e.lastRow && lacks(r + 1, c)) ||
                                  (c + 1 <= e.lastColumn && lacks(r, c + 1));
            if (!boundary) continue;
            auto& cell = level.at(r / 2, c / 2);
            if (cell[3] == 0) touched.push_back({r / 2, c / 2});
            for (int ch = 0; ch < 3; ++ch)
                cell[ch] += static_cast<float>(colours.at(r, c)[ch]);
            cell[3] += 1;
        }
    }
    if (touched.empty()) return pyramid;
    pyramid.push_back(level);
    while (std::max(level.box.lastRow - level.box.firstRow,
                    level.box.lastColumn - level.box.firstColumn) +
               1 >=
           2) {
        CellLevel next = emptyLevel(halved(level.box));
        std::vector<std::pair<int, int>> nextTouched;
        for (const auto& t : touched) {
            auto& parent = next.at(t.first / 2, t.second / 2);
            if (parent[3] == 0) nextTouched.push_back({t.first / 2, t.second / 2});
            for (int i = 0; i < 4; ++i)
                parent[i] += level.at(t.first, t.second)[i];
        }
        pyramid.push_back(next);
        level = next;
        touched = nextTouched;
    }
    return pyramid;
}

// The class colour at status position (x, y); false when nothing was counted.
bool classColour(const std::vector<CellLevel>& pyramid, float x, float y, float colour[3]) {
    float acc[4] = {0, 0, 0, 0};
    float c = 2.0f;
    for (const CellLevel& level : pyramid) {
        const float fx = static_cast<float>(std::fmod(static_cast<double>(x + c / 2), c)) * (1 / c);
        const float fy = static_cast<float>(std::fmod(static_cast<double>(y + c / 2), c)) * (1 / c);
        int lx = truncToInt(x / c - 0.5f), ux = truncToInt(x / c + 0.5f);
        int ly = truncToInt(y / c - 0.5f), uy = truncToInt(y / c + 0.5f);
        lx = std::max(lx, level.box.firstRow);
        ux = std::min(ux, level.box.lastRow);
        ly = std::max(ly, level.box.firstColumn);
        uy = std::min(uy, level.box.lastColumn);
        if (lx <= ux && ly <= uy) {
            const float w = 1 / (c * c * c * c);
            for (int i = 0; i < 4; ++i) {
                const float sum =
                    level.at(lx, ly)[i] * ((1 - fx) * (1 - fy)) + level.at(ux, uy)[i] * (fx * fy) +
                    level.at(lx, uy)[i] * ((1 - fx) * fy) + level.at(ux, ly)[i] * (fx * (1 - fy));
                acc[i] += sum * w;
            }
        }
        if (acc[3] * c * c * c > 2.0f) break;
        c *= 2;
    }
    if (!(acc[3] > 0)) return false; // Mended: the caller uses the pixel's own colour.
    for (int i = 0; i < 3; ++i)
        colour[i] = acc[i] / acc[3];
    return true;
}

// ------------------------------------------------------------ first pass

struct Corners {
    int lower, upper, nearest;
    float lowerWeight, upperWeight;
};

Corners cornersOf(int index, float factor, int first, int last) {
    const float u = (static_cast<float>(index) + 0.5f) / factor;
    Corners k;
    k.lower = std::max(static_cast<int>(std::floor(u - 0.5f)), first);
    k.upper = std::min(static_cast<int>(std::floor(u + 0.5f)), last);
    k.nearest = std::clamp(static_cast<int>(std::floor(u)), first, last);
    k.lowerWeight = k.lower != k.upper ? static_cast<float>(k.upper) + 0.5f - u : 1.0f;
    k.upperWeight = 1 - k.lowerWeight;
    return k;
}

int toSample(float v, int fullScale) {
    return std::clamp(truncToInt(std::clamp(v, -1.0f, 1e9f)), 0, fullScale);
}

} // namespace

Image widened(const Image& eightBit, float scale) {
    Image out(eightBit.rows, eightBit.columns);
    for (std::size_t i = 0; i < out.pixels.size(); ++i)
        for (int ch = 0; ch < 4; ++ch)
            out.pixels[i][ch] = truncToInt(static_cast<float>(eightBit.pixels[i][ch]) * scale);
    return out;
}

void firstMattingPass(FirstPassInput& in, Image& output) {
    const SampleKind& kind = in.kind;
    const float S = static_cast<float>(kind.fullScale);
    const Area& box = in.box;
    Bytes& status = in.status;

    // Processing box in output pixels.
    int first[2], last[2];
    const int boxFirst[2] = {box.firstRow, box.firstColumn},
              boxLast[2] = {box.lastRow, box.lastColumn};
    for (int a = 0; a < 2; ++a) {
        first[a] = truncToInt(static_cast<float>(boxFirst[a]) * in.factors[a]);
        last[a] = truncToInt(in.factors[a] * static_cast<float>(boxLast[a] + 1) - 1.0f);
        if (first[a] > last[a]) std::swap(first[a], last[a]);
    }
    const Area processing{std::max(first[0], 0), std::max(first[1], 0),
                          std::min(last[0], output.rows - 1),
                          std::min(last[1], output.columns - 1)};

    const std::vector<std::array<float, 2>> distances = distancesOf(status);
    std::vector<std::array<int, 3>> keepImage, deleteImage;
    std::vector<CellLevel> keepPyramid, deletePyramid;
    const Area& e = in.estimationBox;
    if (in.blendKind == 1) {
        keepImage = nearestColours(status, e, in.analysis, kKeep, in.membraneValue);
        deleteImage = nearestColours(status, e, in.analysis, kDelete, in.membraneValue);
    } else {
        keepPyramid = classPyramid(status, e, kKeep, in.colourImage);
        deletePyramid = classPyramid(status, e, kDelete, in.colourImage);
    }
    const auto estimate = [&](const std::vector<std::array<int, 3>>& image, int r, int c, int ch) {
        return static_cast<float>(
            image[static_cast<std::size_t>(r - e.firstRow) * (e.lastColumn - e.firstColumn + 1) +
                  (c - e.firstColumn)][ch]);
    };

    int seen = box.firstRow;
    const auto markDone = [&](int r, bool final) {
        for (int c = box.firstColumn; c <= box.lastColumn; ++c) {
            uint8_t& s = status.at(r, c);
            if (!(s & kPass)) continue;
            s = final ? static_cast<uint8_t>((s & 0x3F) | kDone) : static_cast<uint8_t>(s | kDone);
        }
    };

    for (int row = processing.firstRow; row <= processing.lastRow; ++row) {
        const Corners rk = cornersOf(row, in.factors[0], box.firstRow, box.lastRow);
        if (rk.lower != seen) {
            markDone(seen, false);
            seen = rk.lower;
        }
        for (int col = processing.firstColumn; col <= processing.lastColumn; ++col) {
            const Corners ck = cornersOf(col, in.factors[1], box.firstColumn, box.lastColumn);
            const Pixel& source = in.source.at(row, col);
            if (static_cast<float>(source[3]) < 1.0f * S) continue;

            const int rs[4] = {rk.lower, rk.lower, rk.upper, rk.upper};
            const int cs[4] = {ck.lower, ck.upper, ck.lower, ck.upper};
            const float w[4] = {rk.lowerWeight * ck.lowerWeight, rk.lowerWeight * ck.upperWeight,
                                rk.upperWeight * ck.lowerWeight, rk.upperWeight * ck.upperWeight};
            float k = 0, d = 0;
            for (int i = 0; i < 4; ++i) {
                k += w[i] * ((status.at(rs[i], cs[i]) & kKeep) ? 1.0f : 0.0f);
                d += w[i] * ((status.at(rs[i], cs[i]) & kDelete) ? 1.0f : 0.0f);
            }
            if ((status.at(rk.nearest, ck.nearest) & (kPass | kDone)) != kPass) continue;

            Pixel& out = output.at(row, col);
            if (static_cast<double>(k) > 0.99) {
                out = {source[0], source[1], source[2], kind.fullScale};
                continue;
            }
            if (static_cast<double>(d) > 0.99) {
                out = {0, 0, 0, 0};
                continue;
            }

            // Mixed.
            float I[3], F[3], B[3];
            for (int ch = 0; ch < 3; ++ch)
                I[ch] = static_cast<float>(source[ch]);
            if (in.blendKind == 1) {
                for (int ch = 0; ch < 3; ++ch) {
                    float f = 0, b = 0;
                    for (int i = 0; i < 4; ++i) {
                        f += w[i] * estimate(keepImage, rs[i], cs[i], ch);
                        b += w[i] * estimate(deleteImage, rs[i], cs[i], ch);
                    }
                    F[ch] = f * kind.estimateScale;
                    B[ch] = b * kind.estimateScale;
                }
            } else {
                const float x = static_cast<float>(rk.nearest), y = static_cast<float>(ck.nearest);
                if (!classColour(keepPyramid, x, y, F)) std::copy(I, I + 3, F);
                if (!classColour(deletePyramid, x, y, B)) std::copy(I, I + 3, B);
            }

            float M[3];
            const Pixel* around[5] = {&source,
                                      &in.source.at(std::max(row - 1, processing.firstRow), col),
                                      &in.source.at(std::min(row + 1, processing.lastRow), col),
                                      &in.source.at(row, std::max(col - 1, processing.firstColumn)),
                                      &in.source.at(row, std::min(col + 1, processing.lastColumn))};
            for (int ch = 0; ch < 3; ++ch) {
                float v[5];
                for (int i = 0; i < 5; ++i)
                    v[i] = static_cast<float>((*around[i])[ch]);
                std::sort(v, v + 5);
                M[ch] = v[2];
            }

            float Fp[3], Bp[3], D[3];
            double squared = 0;
            for (int ch = 0; ch < 3; ++ch) {
                Fp[ch] = k * I[ch] + (1 - k) * F[ch];
                Bp[ch] = d * I[ch] + (1 - d) * B[ch];
                D[ch] = Bp[ch] - Fp[ch];
                squared += static_cast<double>(D[ch]) * D[ch];
            }
            const float L2 = static_cast<float>(squared);
            const float L = std::sqrt(L2);

            float ratio = 0;
            for (int i = 0; i < 4; ++i)
                ratio += w[i] * static_cast<float>(in.plane.at(rs[i], cs[i]));
            ratio *= 1.0f / 255.0f;
            const float m = 3 * ratio < 1.0f ? 3 * ratio : 1.0f;
            const float n = (ratio - 1.0f / 3.0f) * 1.5f > 0 ? (ratio - 1.0f / 3.0f) * 1.5f : 0.0f;
            const float T = m * 33.936f + 11.312f;
            const float eRatio = std::clamp((L - T) / T, 0.0f, 1.0f);
            const float confidence = (1 - n) * eRatio;

            float b = 0;
            if (confidence != 1.0f) {
                float z = 0;
                for (int i = 0; i < 4; ++i) {
                    const uint8_t s = status.at(rs[i], cs[i]);
                    float q;
                    if (s & kKeep)
                        q = 0;
                    else if (s & kDelete)
                        q = 1;
                    else {
                        const auto& dist =
                            distances[static_cast<std::size_t>(rs[i]) * status.columns + cs[i]];
                        q = dist[0] / (dist[1] + dist[0]);
                    }
                    z += w[i] * q;
                }
                b = ((6 * z - 15) * z + 10) * z * z * z * (1 - confidence);
            }
            if (confidence != 0.0f) {
                float tM = 0, tI = 0;
                for (int ch = 0; ch < 3; ++ch) {
                    tM += (M[ch] - Fp[ch]) * D[ch];
                    tI += (I[ch] - Fp[ch]) * D[ch];
                }
                tM /= L2;
                tI /= L2;
                const float s = std::clamp(tM * (tI + 1 - tM), 0.0f, 1.0f);
                b += confidence * s;
            }
            for (int ch = 0; ch < 3; ++ch)
                out[ch] = toSample(I[ch] - b * D[ch], kind.fullScale);
            out[3] = toSample((1 - b) * kind.firstPassAlpha, kind.fullScale);
        }
    }
    markDone(seen, true);
}

// ------------------------------------------------------------ colour clusters

namespace {

using Sample = std::array<int, 3>;
using Vec = std::array<double, 3>;
using Sym = std::array<double, 6>; // S00, S11, S22, S01, S12, S02

Sym adjugateOf(const Sym& s) {
    const double S00 = s[0], S11 = s[1], S22 = s[2], S01 = s[3], S12 = s[4], S02 = s[5];
    return {S11 * S22 - S12 * S12, S00 * S22 - S02 * S02, S11 * S00 - S01 * S01,
            S12 * S02 - S01 * S22, S02 * S01 - S12 * S00, S12 * S01 - S11 * S02};
}

double cubeRoot(double x) {
    return x >= 0 ? std::pow(x, 1.0 / 3.0) : -std::pow(-x, 1.0 / 3.0);
}

double largestRoot(double a, double b, double c) {
    const double Q = (a * a - 3 * b) * (1.0 / 9.0);
    const double R = (2 * std::pow(a, 3.0) - 9 * a * b) * (1.0 / 54.0) + c * 0.5;
    const double Q3 = std::pow(Q, 3.0);
    const double D = R * R - Q3;
    const double aThird = a * (1.0 / 3.0);
    if (D >= 0) {
        const double U = cubeRoot(std::sqrt(D) - R), V = cubeRoot(-R - std::sqrt(D));
        const double s = U + V;
        if (D > 0) {
            // Mended: a symmetric matrix has real roots only; a pair whose
            // imaginary part is rounding is a double root and may be the largest.
            const double pair = -0.5 * s - aThird;
            if (0.8660254037844386 * std::abs(U - V) <=
                1e-4 * (std::abs(s - aThird) + std::abs(pair)))
                return std::max(s - aThird, pair);
            return s - aThird;
        }
        return std::max(s - aThird, -0.5 * s - aThird);
    }
    // Mended: the argument kept within [-1, 1].
    const double theta = std::acos(std::clamp(R / std::sqrt(Q3), -1.0, 1.0));
    const double twoPi = 6.283185307179586, twoPiThirds = 2.0943951023931957;
    return -2 * std::sqrt(Q) *
               std::min({std::cos(theta * (1.0 / 3.0)), std::cos((theta - twoPi) * (1.0 / 3.0)),
                         std::cos(theta * (1.0 / 3.0) + twoPiThirds)}) -
           aThird;
}

struct Cluster {
    std::vector<Sample> samples;
    Sym moments{};
    Vec sums{};
    double spread = 0;
    Vec axis{};

    std::size_t n() const { return samples.size(); }
    Vec mean() const {
        const double inverse = 1.0 / static_cast<double>(n());
        return {sums[0] * inverse, sums[1] * inverse, sums[2] * inverse};
    }
    Sym scatter() const {
        const Vec m = mean();
        return {moments[0] - sums[0] * m[0], moments[1] - sums[1] * m[1],
                moments[2] - sums[2] * m[2], moments[3] - sums[1] * m[0],
                moments[4] - sums[2] * m[1], moments[5] - sums[0] * m[2]};
    }
    void updatePrincipalAxis() {
        const Sym S = scatter();
        const Sym A = adjugateOf(S);
        const double a = -S[0] - S[1] - S[2];
        const double b = A[1] + A[0] + A[2];
        const double c = -(A[0] * S[0]) - A[3] * S[3] - A[5] * S[5];
        spread = largestRoot(a, b, c);
        const double l = spread;
        axis = {l * l - (S[2] + S[1]) * l + A[0], S[3] * l + A[3], S[5] * l + A[5]};
    }
    void updateStatistics() {
        if (samples.empty()) return;
        sums = {0, 0, 0};
        for (const Sample& p : samples)
            for (int k = 0; k < 3; ++k)
                sums[k] += static_cast<double>(p[k]);
        moments = {0, 0, 0, 0, 0, 0};
        for (const Sample& p : samples) {
            const double c0 = p[0], c1 = p[1], c2 = p[2];
            moments[0] += c0 * c0;
            moments[1] += c1 * c1;
            moments[2] += c2 * c2;
            moments[3] += c0 * c1;
            moments[4] += c1 * c2;
            moments[5] += c2 * c0;
        }
        updatePrincipalAxis();
    }
};

double dot(const Vec& u, const Vec& v) {
    return u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
}

Cluster split(Cluster& cl, double t) {
    Cluster N;
    const Vec m = cl.mean();
    const double h = dot(m, cl.axis);
    std::vector<Sample> K;
    for (const Sample& p : cl.samples) {
        if (dot({double(p[0]), double(p[1]), double(p[2])}, cl.axis) > h)
            N.samples.push_back(p);
        else
            K.push_back(p);
    }
    if (K.empty() || N.samples.empty()) return Cluster();
    N.updateStatistics();
    const double inverse = 1.0 / static_cast<double>(cl.n() - N.n());
    const Vec r{(cl.sums[0] - N.sums[0]) * inverse, (cl.sums[1] - N.sums[1]) * inverse,
                (cl.sums[2] - N.sums[2]) * inverse};
    const Vec mN = N.mean();
    const double dist =
        std::sqrt((mN[0] - r[0]) * (mN[0] - r[0]) + (mN[1] - r[1]) * (mN[1] - r[1]) +
                  (mN[2] - r[2]) * (mN[2] - r[2]));
    if (!(dist > t)) return Cluster();
    cl.samples = K;
    for (int k = 0; k < 6; ++k)
        cl.moments[k] -= N.moments[k];
    for (int k = 0; k < 3; ++k)
        cl.sums[k] -= N.sums[k];
    cl.updatePrincipalAxis();
    return N;
}

void splitClusters(std::vector<Cluster>& list, int limit, double t) {
    for (int i = 1; i < limit; ++i) {
        double best = -DBL_MAX;
        std::size_t picked = 0;
        for (std::size_t k = 0; k < list.size(); ++k)
            if (list[k].spread > best) {
                best = list[k].spread;
                picked = k;
            }
        Cluster N = split(list[picked], t);
        if (N.samples.empty()) return;
        list.push_back(N);
    }
}

void compact(Cluster& cl, int limit, double t) {
    if (cl.n() <= 1) return;
    std::vector<Cluster> temporary{Cluster{}};
    temporary[0].samples = cl.samples;
    temporary[0].updateStatistics();
    splitClusters(temporary, limit, t);
    cl.samples.clear();
    for (const Cluster& part : temporary) {
        const Vec m = part.mean();
        cl.samples.push_back(
            {static_cast<int>(m[0]), static_cast<int>(m[1]), static_cast<int>(m[2])});
    }
    cl.updateStatistics();
}

Sample representative(const Cluster& cl) {
    const Vec m = cl.mean();
    double best = DBL_MAX;
    Sample chosen = cl.samples.front();
    for (const Sample& p : cl.samples) {
        const double d = (p[0] - m[0]) * (p[0] - m[0]) + (p[1] - m[1]) * (p[1] - m[1]) +
                         (p[2] - m[2]) * (p[2] - m[2]);
        if (d < best) {
            best = d;
            chosen = p;
        }
    }
    return chosen;
}

double colourPenalty(const Cluster& cl, const Vec& v) {
    if (cl.n() < 2) return 0;
    const Sym S = cl.scatter();
    const Sym A = adjugateOf(S);
    const double det = S[3] * A[3] + S[0] * A[0] + S[5] * A[5];
    Sym M{};
    if (std::abs(det) >= 1e-5) {
        const double inverse = 1.0 / det;
        for (int k = 0; k < 6; ++k)
            M[k] = A[k] * inverse;
    }
    const Vec m = cl.mean();
    const double d0 = v[0] - m[0], d1 = v[1] - m[1], d2 = v[2] - m[2];
    const double penalty = -(d1 * d1 * M[1] + d0 * d0 * M[0] + d2 * d2 * M[2] +
                             (2 * d2 * d1 * M[4] + 2 * d0 * (M[5] * d2 + M[3] * d1)));
    return std::min(penalty, 0.0); // Mended: never above 0.
}

// ------------------------------------------------------------ palette pyramid

struct Block {
    std::vector<Cluster> clusters{Cluster{}};
    std::size_t total() const {
        std::size_t n = 0;
        for (const Cluster& c : clusters)
            n += c.n();
        return n;
    }
};

struct PaletteLevel {
    Area box;
    std::vector<Block> blocks;
    Block& at(int a, int b) {
        return blocks[static_cast<std::size_t>(a - box.firstRow) *
                          (box.lastColumn - box.firstColumn + 1) +
                      (b - box.firstColumn)];
    }
};

PaletteLevel levelOver(const Area& box) {
    PaletteLevel l;
    l.box = box;
    l.blocks.resize(static_cast<std::size_t>(box.lastRow - box.firstRow + 1) *
                    (box.lastColumn - box.firstColumn + 1));
    return l;
}

std::vector<PaletteLevel> palettePyramid(const Image& source, const Bytes& status,
                                         const float scale[2], uint8_t mask, double t) {
    std::vector<PaletteLevel> pyramid;
    PaletteLevel level = levelOver(halved({0, 0, source.rows - 1, source.columns - 1}));
    const float inverse[2] = {1.0f / scale[0], 1.0f / scale[1]};
    for (int i = 0; i < source.rows; ++i) {
        for (int j = 0; j < source.columns; ++j) {
            const uint8_t b = status.at(truncToInt(static_cast<float>(i) * inverse[0]),
                                        truncToInt(static_cast<float>(j) * inverse[1]));
            if (!(b & kPass) || !(b & mask)) continue;
            const Pixel& p = source.at(i, j);
            level.at(i / 2, j / 2).clusters[0].samples.push_back({p[0], p[1], p[2]});
        }
    }
    for (Block& q : level.blocks)
        q.clusters[0].updateStatistics();
    pyramid.push_back(level);
    while ((pyramid.back().box.lastRow - pyramid.back().box.firstRow + 1) *
               (pyramid.back().box.lastColumn - pyramid.back().box.firstColumn + 1) !=
           1) {
        PaletteLevel& below = pyramid.back();
        PaletteLevel next = levelOver(halved(below.box));
        for (int a = below.box.firstRow; a <= below.box.lastRow; ++a)
            for (int b = below.box.firstColumn; b <= below.box.lastColumn; ++b)
                for (const Cluster& c : below.at(a, b).clusters)
                    for (const Sample& s : c.samples)
                        next.at(a / 2, b / 2).clusters[0].samples.push_back(s);
        for (Block& q : next.blocks)
            q.clusters[0].updateStatistics();
        for (Block& q : next.blocks) {
            if (q.total() == 0) continue;
            splitClusters(q.clusters, 27, t);
            for (Cluster& c : q.clusters)
                compact(c, 27, t * 0.5);
        }
        pyramid.push_back(next);
    }
    return pyramid;
}

// The palette of pixel (x, y) from level L up, and the level it was found at;
// empty when no block up to the top holds a sample.
std::pair<std::vector<Cluster>, int> paletteAt(std::vector<PaletteLevel>& pyramid, int x, int y,
                                               int L) {
    for (int level = L; level < static_cast<int>(pyramid.size()); ++level) {
        Block& q = pyramid[level].at(x >> (level + 1), y >> (level + 1));
        if (!q.clusters.empty() && q.total() > 0) return {q.clusters, level};
    }
    return {{}, static_cast<int>(pyramid.size()) - 1};
}

// ------------------------------------------------------------ pair search

float segmentFit(const Vec& F, const Vec& B, const Vec& I) {
    const Vec d{F[0] - B[0], F[1] - B[1], F[2] - B[2]};
    const Vec e{I[0] - B[0], I[1] - B[1], I[2] - B[2]};
    const float a = static_cast<float>(dot(d, e) / dot(d, d));
    double score;
    if (a < 0)
        score = -std::sqrt(dot(e, e));
    else if (a > 1) {
        const Vec f{I[0] - F[0], I[1] - F[1], I[2] - F[2]};
        score = -std::sqrt(dot(f, f));
    } else {
        const double ad = a;
        const Vec g{e[0] - ad * d[0], e[1] - ad * d[1], e[2] - ad * d[2]};
        score = -std::sqrt(dot(g, g));
    }
    return static_cast<float>(score);
}

Vec toVec(const Sample& s) {
    return {double(s[0]), double(s[1]), double(s[2])};
}

// Pairs of equal colours are passed by: they span no segment.
float scorePairs(const std::vector<Cluster>& fg, const std::vector<Cluster>& bg, const Vec& I,
                 Vec& F, Vec& B) {
    float best = -FLT_MAX;
    const Cluster *cf = nullptr, *cb = nullptr;
    for (const Cluster& p : fg) {
        for (const Cluster& s : bg) {
            const Vec Fp = toVec(representative(p)), Bs = toVec(representative(s));
            if (Fp == Bs) continue;
            const float score = segmentFit(Fp, Bs, I);
            if (score > best) {
                best = score;
                cf = &p;
                cb = &s;
            }
        }
    }
    if (!cf) return -FLT_MAX;
    best = -FLT_MAX;
    for (const Sample& f : cf->samples) {
        for (const Sample& b : cb->samples) {
            if (f == b) continue;
            const float s = segmentFit(toVec(f), toVec(b), I);
            const double sum = colourPenalty(*cb, toVec(b)) + (colourPenalty(*cf, toVec(f)) + s);
            const float total = static_cast<float>(std::max(sum, -double(FLT_MAX) * 2));
            if (total > best) {
                F = toVec(f);
                B = toVec(b);
                best = total;
            }
        }
    }
    return best;
}

// False when a palette is empty.
bool findColourPair(int x, int y, std::vector<PaletteLevel>& fgPyramid,
                    std::vector<PaletteLevel>& bgPyramid, const Vec& I, Vec& F, Vec& B) {
    float bestScore = -FLT_MAX;
    F = B = I; // Mended: no pair chosen leaves the pixel's own colour.
    int lf = 0, lb = 0;
    const int topF = static_cast<int>(fgPyramid.size()) - 1,
              topB = static_cast<int>(bgPyramid.size()) - 1;
    for (;;) {
        auto [pf, foundF] = paletteAt(fgPyramid, x, y, lf);
        auto [pb, foundB] = paletteAt(bgPyramid, x, y, lb);
        if (pf.empty() || pb.empty()) return false;
        Vec f, b;
        const float score = scorePairs(pf, pb, I, f, b);
        if (score > bestScore) {
            bestScore = score;
            F = f;
            B = b;
        }
        if (score > -0.01f) break;
        if (foundF == topF && foundB == topB) break;
        lf = std::min(foundF + 1, topF);
        lb = std::min(foundB + 1, topB);
    }
    return true;
}

} // namespace

// ------------------------------------------------------------ solver

int solveMatting(const SolverInput& in, Image& output) {
    const SampleKind& kind = in.kind;
    const Area& box = in.box;
    const Bytes& status = in.status;
    const float* k = in.scale;

    int lo[2], hi[2];
    const int boxLo[2] = {box.firstRow, box.firstColumn}, boxHi[2] = {box.lastRow, box.lastColumn};
    for (int a = 0; a < 2; ++a) {
        lo[a] = truncToInt(static_cast<float>(boxLo[a]) * k[a]);
        hi[a] = static_cast<int>(static_cast<float>(boxHi[a] + 1) * k[a] - 1.0);
        if (lo[a] > hi[a]) std::swap(lo[a], hi[a]);
    }
    const Area R{std::max(lo[0], 0), std::max(lo[1], 0), std::min(hi[0], output.rows - 1),
                 std::min(hi[1], output.columns - 1)};
    const int rows = R.lastRow - R.firstRow + 1, columns = R.lastColumn - R.firstColumn + 1;
    const bool emptyR = rows <= 0 || columns <= 0;
    const auto solved = [](uint8_t s) { return (s & (kPass | kDone)) == kPass; };
    // Status pixel of output index x along axis a: floor((x + 0.5) / k - 0.5), clamped.
    const auto statusIndex = [&](int x, int a) {
        const float u = (static_cast<float>(x) + 0.5f) / k[a] - 0.5f;
        return std::clamp(static_cast<int>(std::floor(u)), boxLo[a], boxHi[a]);
    };

    // Colour images over R, indexed from R's corner.
    std::vector<Sample> fgImage, bgImage;
    if (!emptyR)
        for (int i = R.firstRow; i <= R.lastRow; ++i)
            for (int j = R.firstColumn; j <= R.lastColumn; ++j) {
                const Pixel& p = in.source.at(i, j);
                fgImage.push_back({p[0], p[1], p[2]});
            }
    bgImage = fgImage;
    const auto at = [&](std::vector<Sample>& image, int i, int j) -> Sample& {
        return image[static_cast<std::size_t>(i - R.firstRow) * columns + (j - R.firstColumn)];
    };

    const double tk =
        static_cast<float>(5 + 215 * static_cast<double>(powf(1 - in.keepSize, 5.0f)));
    const double td =
        static_cast<float>(5 + 215 * static_cast<double>(powf(1 - in.deleteSize, 3.0f)));

    bool any = false;
    for (int r = box.firstRow; r <= box.lastRow; ++r)
        for (int c = box.firstColumn; c <= box.lastColumn; ++c)
            any = any || solved(status.at(r, c));
    if (!any) return 0;

    std::vector<PaletteLevel> fgPyramid = palettePyramid(in.source, status, k, kKeep, tk);
    std::vector<PaletteLevel> bgPyramid = palettePyramid(in.source, status, k, kDelete, td);

    if (!emptyR) {
        for (int i = R.firstRow; i <= R.lastRow; ++i) {
            for (int j = R.firstColumn; j <= R.lastColumn; ++j) {
                if (!solved(status.at(statusIndex(i, 0), statusIndex(j, 1)))) continue;
                const Pixel& p = in.source.at(i, j);
                const Vec I{static_cast<float>(p[0]), static_cast<float>(p[1]),
                            static_cast<float>(p[2])};
                Vec F, B;
                if (!findColourPair(i, j, fgPyramid, bgPyramid, I, F, B)) return 1;
                for (int ch = 0; ch < 3; ++ch) {
                    at(fgImage, i, j)[ch] = static_cast<int>(static_cast<float>(F[ch]));
                    at(bgImage, i, j)[ch] = static_cast<int>(static_cast<float>(B[ch]));
                }
            }
        }
    }
    if (emptyR) return 0;

    // The median of the 3 x 3 neighbourhood, the border replicated outwards.
    const auto median = [&](std::vector<Sample>& image) {
        std::vector<Sample> out = image;
        for (int i = R.firstRow; i <= R.lastRow; ++i)
            for (int j = R.firstColumn; j <= R.lastColumn; ++j)
                for (int ch = 0; ch < 3; ++ch) {
                    std::vector<int> v;
                    for (int di = -1; di <= 1; ++di)
                        for (int dj = -1; dj <= 1; ++dj)
                            v.push_back(at(image, std::clamp(i + di, R.firstRow, R.lastRow),
                                           std::clamp(j + dj, R.firstColumn, R.lastColumn))[ch]);
                    std::sort(v.begin(), v.end());
                    at(out, i, j)[ch] = v[4];
                }
        image = out;
    };
    median(fgImage);
    for (int i = R.firstRow; i <= R.lastRow; ++i) {
        for (int j = R.firstColumn; j <= R.lastColumn; ++j) {
            if (!(status.at(statusIndex(i, 0), statusIndex(j, 1)) & kKeep)) continue;
            const int offsets[8][2] = {{-1, -1}, {-1, 0}, {-1, 1}, {0, -1},
                                       {0, 1},   {1, -1}, {1, 0},  {1, 1}};
            for (const auto& o : offsets) {
                const int qi = std::clamp(i + o[0], R.firstRow, R.lastRow);
                const int qj = std::clamp(j + o[1], R.firstColumn, R.lastColumn);
                const int sr = std::clamp(truncToInt((static_cast<float>(qi) + 0.5f) / k[0]),
                                          box.firstRow, box.lastRow);
                const int sc = std::clamp(truncToInt((static_cast<float>(qj) + 0.5f) / k[1]),
                                          box.firstColumn, box.lastColumn);
                if (!(status.at(sr, sc) & kKeep)) {
                    at(bgImage, i, j) = at(bgImage, qi, qj);
                    break;
                }
            }
        }
    }
    median(bgImage);

    for (int i = R.firstRow; i <= R.lastRow; ++i) {
        for (int j = R.firstColumn; j <= R.lastColumn; ++j) {
            int r0, r1, c0, c1;
            float wr, wc;
            const auto axis = [&](int x, int a, int& lower, int& upper, float& weight) {
                const float u = (static_cast<float>(x) + 0.5f) / k[a] - 0.5f;
                lower = std::max(static_cast<int>(std::floor(u)), boxLo[a]);
                upper = std::min(static_cast<int>(std::floor(u + 1)), boxHi[a]);
                weight = lower == upper ? 1.0f
                                        : static_cast<float>(upper) + 0.5f -
                                              (static_cast<float>(x) + 0.5f) / k[a];
            };
            axis(i, 0, r0, r1, wr);
            axis(j, 1, c0, c1, wc);
            const auto has = [&](int r, int c, uint8_t bit) {
                return (status.at(r, c) & bit) ? 1.0f : 0.0f;
            };
            const auto share = [&](uint8_t bit) {
                return wr * wc * has(r0, c0, bit) + (1 - wr) * wc * has(r1, c0, bit) +
                       wr * (1 - wc) * has(r0, c1, bit) + (1 - wr) * (1 - wc) * has(r1, c1, bit);
            };
            const float kp = share(kKeep), dp = share(kDelete);
            if (!solved(status.at(statusIndex(i, 0), statusIndex(j, 1)))) continue;
            const Pixel& p = in.source.at(i, j);
            Pixel& out = output.at(i, j);
            if (static_cast<double>(kp) > 0.99) {
                out = {p[0], p[1], p[2], kind.fullScale};
                continue;
            }
            if (static_cast<double>(dp) > 0.99) {
                out = {0, 0, 0, 0};
                continue;
            }
            float c[3], Fp[3], D[3];
            double squared = 0;
            for (int ch = 0; ch < 3; ++ch) {
                c[ch] = static_cast<float>(p[ch]);
                Fp[ch] = (1 - kp) * static_cast<float>(at(fgImage, i, j)[ch]) + kp * c[ch];
                const float Bp = (1 - dp) * static_cast<float>(at(bgImage, i, j)[ch]) + dp * c[ch];
                D[ch] = Bp - Fp[ch];
                squared += static_cast<double>(D[ch]) * D[ch];
            }
            const float L2 = static_cast<float>(squared);
            const float L = std::sqrt(L2);
            const float conf = std::clamp((L - 11.312f) * 0.0884017f, 0.0f, 1.0f);
            float J = 0;
            if (conf != 0)
                J = conf * std::clamp(((c[0] - Fp[0]) * D[0] + (c[1] - Fp[1]) * D[1] +
                                       (c[2] - Fp[2]) * D[2]) /
                                          L2,
                                      0.0f, 1.0f);
            for (int ch = 0; ch < 3; ++ch)
                out[ch] = toSample(c[ch] - J * D[ch], kind.fullScale);
            const float s = (J + J * J * J * (10 + J * (6 * J - 15))) * 0.5f;
            out[3] = truncToInt((1 - s) * kind.solverAlpha);
        }
    }
    return 0;
}

} // namespace matting_reference
