#pragma once

#include <QString>

// The race a user sees: the launcher's window on a real X server against
// the launchers people use instead, each from its exec to the first map of
// its top-level window, on a private Xvfb with no window manager.
struct PeerRaceSetup {
    QString scratch; // configurations, private homes and the peers' entries
    QString medium12; // a medium with the program itself and 12 buttons
    QString medium1000; // the same with 1000 top-level buttons
    QString icon; // the picture of the peers' launchers
    int width = 0; // the size of the bare Qt window
    int height = 0;
    int rounds = 10;
};

// Prints MEDIAN and RATIO lines (peer-map-12, peer-map-1000, xcb-map-12)
// and the peers that could not take 1000 launchers. Returns false when no
// X server could be started (nothing measured then).
bool runPeerRace(const PeerRaceSetup &setup);
