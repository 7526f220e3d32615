#pragma once

#include <cstdint>
#include <vector>

// A square picture drawn in coordinates from 0 to 1, shapes filled with smooth edges: each pixel
// is sampled Samples x Samples times and keeps the share of its samples a shape covers. Colours
// are 0xRRGGBB; the result is 0xAARRGGBB, transparent where nothing was drawn.
class IconCanvas {
public:
    static constexpr int Samples = 4;

    explicit IconCanvas(int size);

    // A rectangle with corners rounded by radius, filled with a vertical gradient from top to bottom.
    void roundedRect(double x0, double y0, double x1, double y1, double radius, std::uint32_t top,
                     std::uint32_t bottom);
    // A triangle through three points.
    void triangle(const double (&xs)[3], const double (&ys)[3], std::uint32_t colour);

    std::vector<std::uint32_t> pixels() const;
    int size() const { return size_; }

private:
    struct Sample {
        double r = 0, g = 0, b = 0, a = 0;
    };
    template <typename Inside, typename Colour>
    void fill(double x0, double y0, double x1, double y1, Inside inside, Colour colourAt);

    int size_;
    int fine_; // samples across
    std::vector<Sample> samples_;
};
