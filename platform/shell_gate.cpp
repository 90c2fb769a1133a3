#include "shell_gate.h"
#include "devpath.h"

#include <QBitArray>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QRegularExpression>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Expands the unquoted '*' and '?' of a device path's last component, as sh does: a
// leading dot is matched only by a dot, and a pattern that matches nothing stays as it is.
// Quoted ones (`glob` clear) are plain characters.
QStringList expand(const QString& word, const QBitArray& glob)
{
    const int slash = word.lastIndexOf(QLatin1Char('/'));
    QString rx;
    bool any = false;
    for (int i = slash + 1; i < word.size(); ++i) {
        if (i < glob.size() && glob.testBit(i)) {
            any = true;
            rx += word[i] == QLatin1Char('*') ? QStringLiteral(".*") : QStringLiteral(".");
        } else {
            rx += QRegularExpression::escape(QString(word[i]));
        }
    }
    if (!any)
        return {word};
    const QRegularExpression re(QRegularExpression::anchoredPattern(rx),
                                QRegularExpression::DotMatchesEverythingOption);
    const bool dotted = word.midRef(slash + 1).startsWith(QLatin1Char('.'));
    const QString folder = word.left(slash + 1);
    QStringList out;
    QDirIterator it(dev_path(folder), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        const QString name = it.fileName();
        if ((dotted || !name.startsWith(QLatin1Char('.'))) && re.match(name).hasMatch())
            out << folder + name;
    }
    out.sort();
    return out.isEmpty() ? QStringList{word} : out;
}

// chmod with an octal mode; the host keeps its own read and write (and a folder's search)
// so that a root can always be cleaned away.
bool set_mode(const QString& host, uint mode, bool recursive)
{
    const QFileInfo fi(host);
    if (!fi.exists() || fi.isSymLink())
        return fi.isSymLink();
    mode_t m = mode_t(mode & 0777) | S_IRUSR | S_IWUSR;
    if (fi.isDir())
        m |= S_IXUSR;
    bool ok = ::chmod(QFile::encodeName(host).constData(), m) == 0;
    if (recursive && fi.isDir()) {
        QDir d(host);
        for (const QString& e : d.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
            ok = set_mode(d.filePath(e), mode, true) && ok;
    }
    return ok;
}

// What lies at a host path, the link itself when it is one.
enum class Kind { None, File, Dir, Other };
Kind kind_of(const QString& host)
{
    struct stat st;
    if (::lstat(QFile::encodeName(host).constData(), &st) != 0)
        return Kind::None;
    return S_ISREG(st.st_mode) ? Kind::File : S_ISDIR(st.st_mode) ? Kind::Dir : Kind::Other;
}

// The target of a copy or move: into `to` when it is a folder (a real one: a link to a
// folder would lead outside the root).
QString target_of(const QString& from, const QString& to)
{
    return kind_of(to) == Kind::Dir ? QDir(to).filePath(QFileInfo(from).fileName()) : to;
}

bool refuse_copy(const QString& from, const char* why)
{
    std::printf("shell: cp: %s: %s, not copied\n", QFile::encodeName(from).constData(), why);
    return false;
}

// The most a copy brings into the folders of the program's own files; elsewhere the most
// a stick may hold.
qint64 copy_limit(const QString& dest)
{
    for (const char* own : {"/data/configs/", "/data/modes/"})
        if (dest.startsWith(dev_path(QString::fromLatin1(own))))
            return kOwnFileCopyMax;
    return kCopyMax;
}

bool copy_path(const QString& from, const QString& to, bool recursive)
{
    const QString dest = target_of(from, to);
    switch (kind_of(from)) {
    case Kind::None:
        return false;
    case Kind::Other:
        return refuse_copy(from, "not a regular file");
    case Kind::File:
        return copy_file(from, dest, copy_limit(dest));
    case Kind::Dir:
        break;
    }
    if (!recursive)
        return false;
    QDir().mkpath(dest);
    QDir d(from);
    bool ok = true;
    for (const QString& e : d.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
        ok = copy_path(d.filePath(e), QDir(dest).filePath(e), true) && ok;
    return ok;
}

// As on the device: a rename, so the target is the old file or the new one at every
// moment. Across file systems the copy arrives under a temp name and is renamed into place
// before the source goes.
bool move_path(const QString& from, const QString& to)
{
    const QString dest = target_of(from, to);
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(dest).constData()) == 0)
        return true;
    if (errno != EXDEV)
        return false;
    return copy_path(from, dest, true) && remove_path(from, true);
}

// shell_split, and per word which characters are an unquoted '*' or '?' (a pattern).
bool split(const QString& command, QStringList* words, QList<QBitArray>* globs)
{
    globs->clear();
    words->clear();
    QString cur;
    QBitArray glob;
    bool inWord = false;
    // Quoted text is taken as it is; only bare '*' and '?' are patterns.
    const auto take = [&](const QString& text, bool bare) {
        const int at = cur.size();
        cur += text;
        glob.resize(cur.size());
        for (int k = 0; bare && k < text.size(); ++k)
            glob.setBit(at + k, text[k] == QLatin1Char('*') || text[k] == QLatin1Char('?'));
    };
    for (int i = 0; i < command.size(); ++i) {
        const QChar c = command[i];
        if (c == QLatin1Char('\'')) {
            const int end = command.indexOf(QLatin1Char('\''), i + 1);
            if (end < 0)
                return false;
            take(command.mid(i + 1, end - i - 1), false);
            inWord = true;
            i = end;
        } else if (c == QLatin1Char('"')) {
            int j = i + 1;
            for (; j < command.size() && command[j] != QLatin1Char('"'); ++j) {
                if (command[j] == QLatin1Char('$') || command[j] == QLatin1Char('`'))
                    return false;
                if (command[j] == QLatin1Char('\\') && j + 1 < command.size())
                    ++j;
                take(command[j], false);
            }
            if (j >= command.size())
                return false;
            inWord = true;
            i = j;
        } else if (c == QLatin1Char('\\')) {
            if (i + 1 >= command.size() || command[i + 1] == QLatin1Char('\n'))
                return false;
            take(command[++i], false);
            inWord = true;
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (inWord) {
                *words << cur;
                *globs << glob;
            }
            cur.clear();
            glob.clear();
            inWord = false;
        } else if (QStringLiteral(";&|<>`$()\n\r").contains(c)) {
            return false;
        } else {
            take(c, true);
            inWord = true;
        }
    }
    if (inWord) {
        *words << cur;
        *globs << glob;
    }
    return true;
}

// Carries out one file command on rooted paths; false = not a command we carry out.
bool run_file_command(const QStringList& w, const QList<QBitArray>& globs, int* status)
{
    const QString cmd = w.value(0);
    QStringList opts, args;
    QList<QBitArray> argGlobs;
    for (int i = 1; i < w.size(); ++i) {
        if (w[i].startsWith(QLatin1Char('-')) && w[i].size() > 1) {
            opts << w[i];
        } else {
            args << w[i];
            argGlobs << globs.value(i);
        }
    }
    const bool recursive = opts.join(QString()).contains(QLatin1Char('r'), Qt::CaseInsensitive)
                           || opts.contains(QLatin1String("-a"));

    QString mode;
    if (cmd == QLatin1String("chmod")) {
        // chmod MODE [-R] PATH...: the mode is the first plain word.
        if (args.size() < 2)
            return false;
        mode = args.takeFirst();
        argGlobs.removeFirst();
    }
    QStringList host;
    if (cmd != QLatin1String("sync")) {
        for (int i = 0; i < args.size(); ++i) {
            if (!args[i].startsWith(QLatin1Char('/')))
                return false; // relative paths depend on a working folder we do not model
            for (const QString& e : expand(args[i], argGlobs[i])) {
                const QString p = dev_path(e);
                if (p.isEmpty())
                    return false;
                host << p;
            }
        }
    }

    bool ok = true;
    if (cmd == QLatin1String("sync")) {
        ok = true;
    } else if (cmd == QLatin1String("rm")) {
        for (const QString& h : host)
            ok = remove_path(h, recursive) && ok;
    } else if (cmd == QLatin1String("mkdir")) {
        for (const QString& h : host)
            ok = QDir().mkpath(h) && ok;
    } else if (cmd == QLatin1String("cp") || cmd == QLatin1String("mv")) {
        if (host.size() < 2)
            return false;
        const QString dest = host.takeLast();
        for (const QString& h : host)
            ok = (cmd == QLatin1String("mv") ? move_path(h, dest) : copy_path(h, dest, recursive)) && ok;
    } else if (cmd == QLatin1String("chmod")) {
        bool octal = false;
        const uint bits = mode.toUInt(&octal, 8);
        for (const QString& h : host) {
            if (octal)
                ok = set_mode(h, bits, recursive) && ok;
            else
                QFile::setPermissions(h, QFile::permissions(h) | QFile::ReadOwner | QFile::WriteOwner);
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
    QList<QBitArray> globs;
    const bool carried = !(responder && responder(command, &status, out)) && split(command, &words, &globs)
                         && !words.isEmpty() && run_file_command(words, globs, &status);
    // Say which commands touched this machine: the rest are only recorded (or answered by
    // the simulated device).
    std::fprintf(stdout, "%s%s\n", carried ? "shell: " : "shell (not run on this host): ",
                 command.toLocal8Bit().constData());
    std::fflush(stdout);
    return status; // 0 when recorded only
}

// `name` in `dir` opened to be copied: a regular file within `limit`, never through a link
// nor waiting on a fifo (a fifo would hold the caller for good); -1 otherwise, said when
// refused.
int open_source(int dir, const QByteArray& name, const QString& from, qint64 limit, struct stat* st)
{
    const int in = ::openat(dir, name.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (in < 0) {
        if (errno == ELOOP)
            refuse_copy(from, "not a regular file");
        return -1;
    }
    const char* no = ::fstat(in, st) != 0 || !S_ISREG(st->st_mode) ? "not a regular file"
                     : st->st_size > limit                       ? "over the bound of this copy"
                                                                 : nullptr;
    if (!no)
        return in;
    ::close(in);
    refuse_copy(from, no);
    return -1;
}

// Everything `in` holds to `out`; a source that grows meanwhile is held to `limit` too.
bool copy_bytes(int in, int out, qint64 limit, const QString& from)
{
    qint64 done = 0;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(in, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n == 0;
        if ((done += n) > limit)
            return refuse_copy(from, "over the bound of this copy");
        for (ssize_t w = 0; w < n;) {
            const ssize_t m = ::write(out, buf + w, size_t(n - w));
            if (m < 0 && errno == EINTR)
                continue;
            if (m <= 0)
                return false;
            w += m;
        }
    }
}
} // namespace

// A copy refused or cut short leaves `dest` as it was.
bool copy_file(const QString& from, const QString& dest, qint64 limit)
{
    struct stat st;
    const int in = open_source(AT_FDCWD, QFile::encodeName(from), from, limit, &st);
    if (in < 0)
        return false;
    const QByteArray tmp = QFile::encodeName(dest + QStringLiteral(".tmp"));
    const int out = create_fresh(tmp, st.st_mode & 0777);
    if (out < 0) {
        ::close(in);
        return false;
    }
    bool ok = copy_bytes(in, out, limit, from);
    ::close(in);
    ok = ::fsync(out) == 0 && ok;
    ok = ::close(out) == 0 && ok;
    ok = ok && ::rename(tmp.constData(), QFile::encodeName(dest).constData()) == 0;
    if (!ok)
        ::unlink(tmp.constData());
    return ok;
}

bool copy_file_at(int fromDir, int toDir, const QByteArray& name, qint64 limit, const QString& from)
{
    struct stat st;
    const int in = open_source(fromDir, name, from, limit, &st);
    if (in < 0)
        return false;
    const int out = create_fresh_at(toDir, name, st.st_mode & 0777);
    bool ok = out >= 0 && copy_bytes(in, out, limit, from);
    ::close(in);
    ok = out >= 0 && ::close(out) == 0 && ok;
    if (!ok && out >= 0)
        ::unlinkat(toDir, name.constData(), 0);
    return ok;
}

bool shell_split(const QString& command, QStringList* words)
{
    QList<QBitArray> globs;
    return split(command, words, &globs);
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
