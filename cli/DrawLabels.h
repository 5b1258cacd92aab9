// Placement of the identifier labels of `harn draw`: each label takes the spot around its
// object that covers least of the other labels, symbols and drawn edges, nearer spots
// preferred. Pixel coordinates, y down.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

namespace cli {

struct Box {
    double x1, y1, x2, y2;
};

class LabelPlacer {
public:
    explicit LabelPlacer(Box frame) : m_frame(frame) {}

    // Things a label should not cover.
    void addBox(const Box& b);
    // `weight`: how much crossing the segment counts, as a share of the label's area.
    void addSegment(double x1, double y1, double x2, double y2, double weight);

    // A place for a label of size w x h beside `anchor`; the chosen box is returned and
    // kept as an obstacle for the next labels.
    Box place(const Box& anchor, double w, double h);

private:
    struct Obstacle {
        bool segment;
        double weight;
        Box b; // for a segment: its end points (x1, y1) - (x2, y2)
    };
    void add(const Obstacle& o);
    double cost(const Box& b);
    long long key(int cx, int cy) const {
        return (static_cast<long long>(cx) << 32) ^ (cy & 0xffffffffLL);
    }

    Box m_frame;
    std::vector<Obstacle> m_obstacles;
    std::vector<unsigned> m_seen; // per obstacle: the query that last looked at it
    unsigned m_query = 0;
    std::unordered_map<long long, std::vector<int>> m_cells;
};

// Width of a text in pixels, estimated from its number of characters (UTF-8).
double textWidth(const std::string& utf8, double fontSize);

} // namespace cli
