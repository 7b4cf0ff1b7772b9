#pragma once

// The two progress bars as the window shows them. The transfers count in
// ranges that may be 0 (nothing to show) and in positions that may pass the
// range's end (unasked dumps); a bar control cannot show either: a range of
// 0..0 is a busy animation on some platforms, and what a position beyond the
// end shows differs between them. So the window draws a range of 0 as the
// empty bar 0..1 at 0, and a position beyond the range at the range's end.
// Each face then only draws what it is given.

#include <algorithm>
#include <array>
#include <cstddef>
#include <functional>

#include "app/transfers/transfers.h"

namespace patchwarden {

class shown_bars : public transfer_bars {
public:
    // draw(bar, maximum, position): maximum is at least 1, position within
    // 0..maximum.
    using drawer = std::function<void(transfer_bar bar, int maximum, int position)>;

    explicit shown_bars(drawer draw) : draw_(std::move(draw)) {}

    void set_range(transfer_bar bar, int maximum) override {
        counts(bar).maximum = maximum;
        draw(bar);
    }
    void set_position(transfer_bar bar, int position) override {
        counts(bar).position = position;
        draw(bar);
    }

private:
    struct count {
        int maximum = 100;
        int position = 0;
    };
    count& counts(transfer_bar bar) { return counts_[static_cast<std::size_t>(bar)]; }
    void draw(transfer_bar bar) {
        const count& c = counts(bar);
        if (c.maximum <= 0) {
            draw_(bar, 1, 0);
        } else {
            draw_(bar, c.maximum, std::clamp(c.position, 0, c.maximum));
        }
    }

    drawer draw_;
    std::array<count, 2> counts_{};
};

}  // namespace patchwarden
