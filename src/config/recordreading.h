#pragma once

#include <memory>
#include <vector>

#include <QFileInfo>
#include <QMap>
#include <QVariant>

#include "config/buttonconfig.h"

// The records of the top-level entries of a links folder, in entry order,
// those without an icon left out, at most maximumKept of them (capped tells
// whether entries were left out for that).
//
// With two threads the entries are read from both ends at once: this thread
// takes them from the front and writes its debug lines as it goes, a second
// one takes them from the back and holds its lines back, and those are
// written afterwards, in entry order. The lines, and the records, are the
// ones reading the entries one after the other gives.
struct TopLevelRecords {
    std::vector<std::unique_ptr<ButtonConfig>> records;
    bool capped = false;
};

//
// The records are read as the reading says; "lang.ini" is read once for
// the whole pass.
TopLevelRecords readTopLevelRecords(const QFileInfoList &entries, const QMap<QString, QVariant> &defaults,
    bool fullMode, int maximumKept, int threads = 2, ButtonConfig::Reading reading = ButtonConfig::Reading::WholeTree);
