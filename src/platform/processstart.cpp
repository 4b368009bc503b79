// The parts of starting a program that are the same everywhere: the Windows
// command-line quoting and its reverse, and the child's environment.
#include "processstart.h"

namespace Platform {

void setInEnvironment(QProcessEnvironment &environment, const QString &name, const QString &value)
{
    if (name.isEmpty() || name.contains(QLatin1Char('=')))
        return;
    if (value.isEmpty())
        environment.remove(name);
    else
        environment.insert(name, value);
}

namespace {

bool needsQuotes(const QString &argument)
{
    if (argument.isEmpty())
        return true;
    for (const QChar c : argument) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\v')
            || c == QLatin1Char('"'))
            return true;
    }
    return false;
}

// Backslashes are literal unless a quote follows them: then they are
// doubled, and one more escapes the quote itself.
QString quoted(const QString &argument)
{
    if (!needsQuotes(argument))
        return argument;
    QString result = QStringLiteral("\"");
    int backslashes = 0;
    for (const QChar c : argument) {
        if (c == QLatin1Char('\\')) {
            ++backslashes;
            continue;
        }
        if (c == QLatin1Char('"'))
            result.append(QString(backslashes * 2 + 1, QLatin1Char('\\')));
        else
            result.append(QString(backslashes, QLatin1Char('\\')));
        backslashes = 0;
        result.append(c);
    }
    result.append(QString(backslashes * 2, QLatin1Char('\\')));
    result.append(QLatin1Char('"'));
    return result;
}

} // namespace

QString windowsCommandLine(const QStringList &arguments)
{
    QStringList parts;
    parts.reserve(arguments.size());
    for (const QString &argument : arguments)
        parts.append(quoted(argument));
    return parts.join(QLatin1Char(' '));
}

// The rules of CommandLineToArgvW for every word after the program name:
// spaces and tabs separate words outside quotes; 2n backslashes before a
// quote give n backslashes and the quote opens or closes a quoted part;
// 2n+1 backslashes before a quote give n backslashes and a literal quote;
// inside a quoted part, two quotes give one literal quote; other
// backslashes are literal.
QStringList splitWindowsCommandLine(const QString &commandLine)
{
    QStringList words;
    QString word;
    bool inWord = false;
    bool inQuotes = false;
    const int length = commandLine.size();
    for (int i = 0; i < length;) {
        const QChar c = commandLine.at(i);
        if (!inQuotes && (c == QLatin1Char(' ') || c == QLatin1Char('\t'))) {
            if (inWord) {
                words.append(word);
                word.clear();
                inWord = false;
            }
            ++i;
            continue;
        }
        inWord = true;
        if (c == QLatin1Char('\\')) {
            int backslashes = 0;
            while (i < length && commandLine.at(i) == QLatin1Char('\\')) {
                ++backslashes;
                ++i;
            }
            if (i < length && commandLine.at(i) == QLatin1Char('"')) {
                word.append(QString(backslashes / 2, QLatin1Char('\\')));
                if (backslashes % 2 == 1) {
                    word.append(QLatin1Char('"'));
                    ++i;
                }
            } else {
                word.append(QString(backslashes, QLatin1Char('\\')));
            }
            continue;
        }
        if (c == QLatin1Char('"')) {
            if (inQuotes && i + 1 < length && commandLine.at(i + 1) == QLatin1Char('"')) {
                word.append(QLatin1Char('"'));
                i += 2;
                continue;
            }
            inQuotes = !inQuotes;
            ++i;
            continue;
        }
        word.append(c);
        ++i;
    }
    if (inWord)
        words.append(word);
    return words;
}

} // namespace Platform
