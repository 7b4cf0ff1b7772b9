#pragma once

// The two progress bars of the transfers as Qt shows them. A range of 0
// shows an empty bar (a Qt bar of range 0..0 would show a busy animation
// instead), and a position beyond the range shows as its end.

#include <QProgressBar>
#include <algorithm>
#include <cstddef>

#include "app/transfers/transfers.h"

namespace patchwarden {

class progress_bars : public transfer_bars {
public:
    progress_bars(QProgressBar* receive, QProgressBar* send) : bars_{receive, send} {}

    void set_range(transfer_bar bar, int maximum) override {
        const auto i = static_cast<std::size_t>(bar);
        maximum_[i] = maximum;
        bars_[i]->setRange(0, maximum > 0 ? maximum : 1);
    }
    void set_position(transfer_bar bar, int position) override {
        const auto i = static_cast<std::size_t>(bar);
        bars_[i]->setValue(maximum_[i] > 0 ? std::clamp(position, 0, maximum_[i]) : 0);
    }

private:
    QProgressBar* bars_[2];
    int maximum_[2] = {100, 100};
};

}  // namespace patchwarden
