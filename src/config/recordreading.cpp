#include "recordreading.h"

#include <QMutex>
#include <QtConcurrent>

#include "config/buttonconfig.h"
#include "config/language.h"

namespace {

struct HeldMessage {
    QtMsgType type;
    const char *file;
    int line;
    const char *function;
    const char *category;
    QString text;
};

// Set on the second thread while it reads: its messages go here instead of
// out. Every other thread's messages pass straight on.
thread_local std::vector<HeldMessage> *heldMessages = nullptr;
QtMessageHandler passOn = nullptr;

void holdOrPass(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    // A fatal message ends the process in the handler: never held.
    if (heldMessages && type != QtFatalMsg) {
        heldMessages->push_back({ type, context.file, context.line, context.function, context.category, text });
        return;
    }
    passOn(type, context, text);
}

// Installs holdOrPass for its lifetime and puts the previous handler back.
struct HoldingHandler {
    HoldingHandler() { passOn = qInstallMessageHandler(holdOrPass); }
    ~HoldingHandler() { qInstallMessageHandler(passOn); }
};

// The second reader's thread: its own, so it never waits behind other work
// on the global pool.
QThreadPool &readerPool()
{
    static QThreadPool pool;
    pool.setMaxThreadCount(1);
    return pool;
}

struct Entry {
    std::unique_ptr<ButtonConfig> record;
    std::vector<HeldMessage> messages;
};

} // namespace

TopLevelRecords readTopLevelRecords(const QFileInfoList &entries, const QMap<QString, QVariant> &defaults,
    bool fullMode, int maximumKept, int threads, ButtonConfig::Reading reading)
{
    const LanguagePass pass;
    TopLevelRecords result;
    const int count = entries.size();
    std::vector<Entry> states(static_cast<size_t>(count));
    int kept = 0;
    auto keep = [&](std::unique_ptr<ButtonConfig> record) {
        if (!record->iconPath.isEmpty()) {
            result.records.push_back(std::move(record));
            ++kept;
        }
    };

    // Entries [0, front) are the front thread's, [back, count) the other's.
    QMutex claims;
    int front = 0;
    int back = count;
    bool stop = false;

    std::unique_ptr<HoldingHandler> holding;
    QFuture<void> second;
    if (threads > 1 && count > 1) {
        holding = std::make_unique<HoldingHandler>();
        second = QtConcurrent::run(&readerPool(), [&] {
            while (true) {
                int index;
                {
                    QMutexLocker locker(&claims);
                    if (stop || back <= front)
                        return;
                    index = --back;
                }
                Entry &entry = states[size_t(index)];
                heldMessages = &entry.messages;
                entry.record = std::make_unique<ButtonConfig>(entries.at(index), defaults, fullMode, reading);
                heldMessages = nullptr;
            }
        });
    }

    while (true) {
        int index;
        {
            QMutexLocker locker(&claims);
            if (front >= back)
                break;
            if (kept >= maximumKept) {
                stop = true;
                break;
            }
            index = front++;
        }
        keep(std::make_unique<ButtonConfig>(entries.at(index), defaults, fullMode, reading));
    }
    second.waitForFinished();
    holding.reset();

    // The other thread's entries, [front, count), in order, as if read
    // here. It read them all unless this thread met the cap, and then the
    // first of them is already one too many.
    for (int index = front; index < count; ++index) {
        if (kept >= maximumKept) {
            result.capped = true;
            return result;
        }
        Entry &entry = states[size_t(index)];
        for (const HeldMessage &message : entry.messages) {
            const QMessageLogContext context(message.file, message.line, message.function, message.category);
            qt_message_output(message.type, context, message.text);
        }
        keep(std::move(entry.record));
    }
    return result;
}
