#pragma once
// The least-squares slope of y over x: how fast a counter grows over a run.

#include <vector>

namespace mv::test {

struct Point {
    double x = 0;
    double y = 0;
};

// 0 for fewer than two points or when every x is the same.
inline double LeastSquaresSlope(const std::vector<Point>& points) {
    if (points.size() < 2) return 0;
    double meanX = 0, meanY = 0;
    for (const Point& p : points) {
        meanX += p.x;
        meanY += p.y;
    }
    meanX /= static_cast<double>(points.size());
    meanY /= static_cast<double>(points.size());
    double sxy = 0, sxx = 0;
    for (const Point& p : points) {
        sxy += (p.x - meanX) * (p.y - meanY);
        sxx += (p.x - meanX) * (p.x - meanX);
    }
    return sxx > 0 ? sxy / sxx : 0;
}

}  // namespace mv::test
