#pragma once

#include <cstdint>
#include <cstdlib>

#include <QApplication>
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

// One application object for the whole fuzzing run, on the offscreen
// platform, quiet: the reader's debug lines would drown the fuzzer's output.
inline void ensureApplication()
{
    static QApplication *app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("QT_LOGGING_RULES", "*.debug=false;*.warning=false");
        static int argc = 1;
        static char name[] = "fuzz";
        static char *argv[] = { name, nullptr };
        return new QApplication(argc, argv);
    }();
    (void)app;
}

inline QTemporaryDir &scratch()
{
    static QTemporaryDir dir;
    return dir;
}

inline QString writeInput(const QString &name, const uint8_t *data, size_t size)
{
    const QString path = scratch().filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    return path;
}
