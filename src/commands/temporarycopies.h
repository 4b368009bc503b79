#pragma once

#include <QString>
#include <QtGlobal>

// Copies of the medium's programs made to run from the host's temporary
// folder. Each is removed once its program has ended; a copy whose program
// still runs is never removed. Copies left behind by a launcher that ended
// first are removed by the next sweep (at start and at quit).
namespace TemporaryCopies {

// Records that the program of the copy runs as processId.
void started(const QString &copy, qint64 processId);

// The program of the copy has ended, or never started: removes the copy.
void ended(const QString &copy);

// Whether a program still runs from the copy.
bool inUse(const QString &copy);

// Removes every copy in the copy folder whose program no longer runs.
// Returns how many were removed.
int sweep();

} // namespace TemporaryCopies
