#include "shell_gate.h"
#include "devpath.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <cstdio>

namespace platform {

namespace {
QMutex g_mutex;
QStringList g_recorded;
ShellResponder g_responder;
constexpr int kFail = 1 << 8; // what system() reports for "exit 1"

bool remove_path(const QString& host, bool recursive)
{
    QFileInfo fi(host);
    if (!fi.exists() && !fi.isSymLink())
        return true;
    if (fi.isDir() && !fi.isSymLink())
        return recursive && QDir(host).removeRecursively();
    return QFile::remove(host);
}

// Expands a trailing "*" pattern in the last component (rm -rf /mnt/usb1/*.YUQ).
QStringList expand(const QString& host)
{
    const QFileInfo fi(host);
    const QString name = fi.fileName();
    if (!name.contains(QLatin1Char('*')) && !name.contains(QLatin1Char('?')))
        return {host};
    QStringList out;
    QDir dir(fi.path());
    for (const QString& e : dir.entryList({name}, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
        out << dir.filePath(e);
    return out;
}

bool copy_path(const QString& from, const QString& to, bool recursive)
{
    QFileInfo src(from);
    QString dest = to;
    if (QFileInfo(to).isDir())
        dest = QDir(to).filePath(src.fileName());
    if (src.isDir()) {
        if (!recursive)
            return false;
        QDir().mkpath(dest);
        QDir d(from);
        bool ok = true;
        for (const QString& e : d.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
            ok = copy_path(d.filePath(e), QDir(dest).filePath(e), true) && ok;
        return ok;
    }
    if (!src.exists())
        return false;
    QFile::remove(dest);
    return QFile::copy(from, dest);
}

// Carries out one file command on rooted paths; false = not a command we carry out.
bool run_file_command(const QStringList& w, int* status)
{
    const QString cmd = w.value(0);
    QStringList opts, args;
    for (int i = 1; i < w.size(); ++i)
        (w[i].startsWith(QLatin1Char('-')) && w[i].size() > 1 ? opts : args) << w[i];
    const bool recursive = opts.join(QString()).contains(QLatin1Char('r'), Qt::CaseInsensitive)
                           || opts.contains(QLatin1String("-a"));

    QStringList host;
    if (cmd != QLatin1String("sync") && cmd != QLatin1String("chmod")) {
        for (const QString& a : args) {
            if (!a.startsWith(QLatin1Char('/')))
                return false; // relative paths depend on a working folder we do not model
            const QString p = dev_path(a);
            if (p.isEmpty())
                return false;
            host << p;
        }
    }

    bool ok = true;
    if (cmd == QLatin1String("sync")) {
        ok = true;
    } else if (cmd == QLatin1String("rm")) {
        for (const QString& h : host)
            for (const QString& e : expand(h))
                ok = remove_path(e, recursive) && ok;
    } else if (cmd == QLatin1String("mkdir")) {
        for (const QString& h : host)
            ok = QDir().mkpath(h) && ok;
    } else if (cmd == QLatin1String("cp") || cmd == QLatin1String("mv")) {
        if (host.size() < 2)
            return false;
        const QString dest = host.takeLast();
        for (const QString& h : host) {
            for (const QString& e : expand(h)) {
                bool one = copy_path(e, dest, recursive || cmd == QLatin1String("mv"));
                if (one && cmd == QLatin1String("mv"))
                    one = remove_path(e, true);
                ok = one && ok;
            }
        }
    } else if (cmd == QLatin1String("chmod")) {
        // chmod MODE [-R] PATH...: the mode is the first plain word.
        if (args.size() < 2)
            return false;
        for (int i = 1; i < args.size(); ++i) {
            if (!args[i].startsWith(QLatin1Char('/')))
                return false;
            const QString p = dev_path(args[i]);
            if (p.isEmpty())
                return false;
            QFile::setPermissions(p, QFile::permissions(p) | QFile::ReadOwner | QFile::WriteOwner);
        }
    } else {
        return false;
    }
    *status = ok ? 0 : kFail;
    return true;
}

int gate(const QString& command, QByteArray* out)
{
    {
        QMutexLocker lock(&g_mutex);
        g_recorded << command;
        // A device that runs for years must not grow this list without end.
        if (g_recorded.size() > 20000)
            g_recorded.erase(g_recorded.begin(), g_recorded.begin() + 10000);
    }
    int status = 0;
    ShellResponder responder;
    {
        QMutexLocker lock(&g_mutex);
        responder = g_responder;
    }
    QStringList words;
    const bool carried = !(responder && responder(command, &status, out)) && shell_split(command, &words)
                         && !words.isEmpty() && run_file_command(words, &status);
    // Say which commands touched this machine: the rest are only recorded (or answered by
    // the simulated device).
    std::fprintf(stdout, "%s%s\n", carried ? "shell: " : "shell (not run on this host): ",
                 command.toLocal8Bit().constData());
    std::fflush(stdout);
    return status; // 0 when recorded only
}
} // namespace

bool shell_split(const QString& command, QStringList* words)
{
    words->clear();
    QString cur;
    bool inWord = false;
    for (int i = 0; i < command.size(); ++i) {
        const QChar c = command[i];
        if (c == QLatin1Char('\'')) {
            const int end = command.indexOf(QLatin1Char('\''), i + 1);
            if (end < 0)
                return false;
            cur += command.mid(i + 1, end - i - 1);
            inWord = true;
            i = end;
        } else if (c == QLatin1Char('"')) {
            int j = i + 1;
            for (; j < command.size() && command[j] != QLatin1Char('"'); ++j) {
                if (command[j] == QLatin1Char('$') || command[j] == QLatin1Char('`'))
                    return false;
                if (command[j] == QLatin1Char('\\') && j + 1 < command.size())
                    ++j;
                cur += command[j];
            }
            if (j >= command.size())
                return false;
            inWord = true;
            i = j;
        } else if (c == QLatin1Char('\\')) {
            if (i + 1 >= command.size() || command[i + 1] == QLatin1Char('\n'))
                return false;
            cur += command[++i];
            inWord = true;
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (inWord)
                *words << cur;
            cur.clear();
            inWord = false;
        } else if (QStringLiteral(";&|<>`$()\n\r").contains(c)) {
            return false;
        } else {
            cur += c;
            inWord = true;
        }
    }
    if (inWord)
        *words << cur;
    return true;
}

QString shell_quote(const QString& word)
{
    QString q = word;
    // A command line is a C string: a NUL would end it inside the quotes.
    q.remove(QChar(0));
    q.replace(QLatin1String("'"), QLatin1String("'\\''"));
    return QLatin1Char('\'') + q + QLatin1Char('\'');
}

int shell_run(const QString& command)
{
    return gate(command, nullptr);
}

int shell_read(const QString& command, QByteArray* out)
{
    QByteArray sink;
    return gate(command, out ? out : &sink);
}

QStringList shell_recorded()
{
    QMutexLocker lock(&g_mutex);
    return g_recorded;
}

void shell_clear_recorded()
{
    QMutexLocker lock(&g_mutex);
    g_recorded.clear();
}

void shell_set_responder(ShellResponder responder)
{
    QMutexLocker lock(&g_mutex);
    g_responder = std::move(responder);
}

} // namespace platform
