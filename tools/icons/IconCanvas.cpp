#include "tools/icons/IconCanvas.h"

#include <algorithm>
#include <cmath>

namespace {

double channel(std::uint32_t colour, int shift)
{
    return ((colour >> shift) & 0xFF) / 255.0;
}

// Which side of the edge from (ax, ay) to (bx, by) the point is on.
double side(double ax, double ay, double bx, double by, double px, double py)
{
    return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
}

} // namespace

IconCanvas::IconCanvas(int size)
    : size_(size), fine_(size * Samples), samples_(static_cast<size_t>(fine_) * fine_)
{
}

template <typename Inside, typename Colour>
void IconCanvas::fill(double x0, double y0, double x1, double y1, Inside inside, Colour colourAt)
{
    const int left = std::max(0, static_cast<int>(std::floor(x0 * fine_)));
    const int right = std::min(fine_, static_cast<int>(std::ceil(x1 * fine_)));
    const int top = std::max(0, static_cast<int>(std::floor(y0 * fine_)));
    const int bottom = std::min(fine_, static_cast<int>(std::ceil(y1 * fine_)));
    for (int sy = top; sy < bottom; ++sy) {
        const double py = (sy + 0.5) / fine_;
        for (int sx = left; sx < right; ++sx) {
            const double px = (sx + 0.5) / fine_;
            if (!inside(px, py))
                continue;
            const std::uint32_t colour = colourAt(py);
            samples_[static_cast<size_t>(sy) * fine_ + sx] = {channel(colour, 16), channel(colour, 8),
                                                               channel(colour, 0), 1};
        }
    }
}

void IconCanvas::roundedRect(double x0, double y0, double x1, double y1, double radius, std::uint32_t top,
                             std::uint32_t bottom)
{
    auto inside = [=](double px, double py) {
        if (px < x0 || px >= x1 || py < y0 || py >= y1)
            return false;
        const double cx = std::clamp(px, x0 + radius, x1 - radius);
        const double cy = std::clamp(py, y0 + radius, y1 - radius);
        return (px - cx) * (px - cx) + (py - cy) * (py - cy) <= radius * radius;
    };
    auto colourAt = [=](double py) {
        const double t = std::clamp((py - y0) / (y1 - y0), 0.0, 1.0);
        std::uint32_t mixed = 0;
        for (int shift : {16, 8, 0}) {
            const double v = channel(top, shift) * (1 - t) + channel(bottom, shift) * t;
            mixed |= static_cast<std::uint32_t>(std::lround(v * 255)) << shift;
        }
        return mixed;
    };
    fill(x0, y0, x1, y1, inside, colourAt);
}

void IconCanvas::triangle(const double (&xs)[3], const double (&ys)[3], std::uint32_t colour)
{
    auto inside = [&](double px, double py) {
        const double d0 = side(xs[0], ys[0], xs[1], ys[1], px, py);
        const double d1 = side(xs[1], ys[1], xs[2], ys[2], px, py);
        const double d2 = side(xs[2], ys[2], xs[0], ys[0], px, py);
        return (d0 >= 0 && d1 >= 0 && d2 >= 0) || (d0 <= 0 && d1 <= 0 && d2 <= 0);
    };
    fill(*std::min_element(xs, xs + 3), *std::min_element(ys, ys + 3), *std::max_element(xs, xs + 3),
         *std::max_element(ys, ys + 3), inside, [=](double) { return colour; });
}

std::vector<std::uint32_t> IconCanvas::pixels() const
{
    std::vector<std::uint32_t> out(static_cast<size_t>(size_) * size_);
    for (int y = 0; y < size_; ++y) {
        for (int x = 0; x < size_; ++x) {
            Sample sum;
            for (int sy = 0; sy < Samples; ++sy) {
                for (int sx = 0; sx < Samples; ++sx) {
                    const Sample& s = samples_[static_cast<size_t>(y * Samples + sy) * fine_ + x * Samples + sx];
                    sum.r += s.r * s.a;
                    sum.g += s.g * s.a;
                    sum.b += s.b * s.a;
                    sum.a += s.a;
                }
            }
            if (sum.a == 0)
                continue;
            // Colours are averaged over the covered samples only; the coverage becomes the opacity.
            auto byte = [](double v) { return static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
            const double alpha = sum.a / (Samples * Samples);
            out[static_cast<size_t>(y) * size_ + x] =
                (byte(alpha) << 24) | (byte(sum.r / sum.a) << 16) | (byte(sum.g / sum.a) << 8) | byte(sum.b / sum.a);
        }
    }
    return out;
}
