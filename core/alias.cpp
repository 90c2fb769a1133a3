#include "alias.h"

#include "json_reader.h"
#include "platform/devpath.h"

#include <QFile>
#include <QMutex>
#include <QString>
#include <ctime>
#include <memory>
#include <sys/stat.h>

namespace pt = boost::property_tree;

namespace {

// The screens look names up one by one, many per refresh: the file is parsed once per
// change and the names come from that parse. A change shows in the file's identity, size
// or time; a file written within the last seconds may change again inside one tick of the
// file system's clock, so its bytes are compared each time until it is older.
struct FileKey
{
    dev_t dev = 0;
    ino_t ino = 0;
    off_t size = -1;
    time_t sec = 0;
    long nsec = 0;
    bool operator==(const FileKey& o) const
    {
        return dev == o.dev && ino == o.ino && size == o.size && sec == o.sec && nsec == o.nsec;
    }
};

const time_t kRacySeconds = 3;

struct AliasCache
{
    QMutex mutex;
    QString path;            // host path
    FileKey key;
    bool known = false;      // key and table belong to the file at path
    bool recent = true;      // the file was that young when read: check its bytes again
    QByteArray bytes;        // the text the table was parsed from
    std::shared_ptr<const pt::ptree> tree; // null: no usable file
};

AliasCache& cache()
{
    static AliasCache c;
    return c;
}

std::shared_ptr<const pt::ptree> alias_tree(const char* devicePath)
{
    AliasCache& c = cache();
    QMutexLocker lock(&c.mutex);
    auto forget = [&c] {
        c.known = false;
        c.bytes.clear();
        c.tree.reset();
    };
    // Keyed by the host path: a test's new device root is another file.
    const QString host = platform::dev_path(QString::fromUtf8(devicePath));
    if (c.path != host) {
        c.path = host;
        forget();
    }
    struct stat st;
    if (host.isEmpty() || ::stat(QFile::encodeName(host).constData(), &st) != 0) {
        forget();
        return nullptr;
    }
    FileKey key;
    key.dev = st.st_dev;
    key.ino = st.st_ino;
    key.size = st.st_size;
    key.sec = st.st_mtim.tv_sec;
    key.nsec = st.st_mtim.tv_nsec;
    if (c.known && key == c.key && !c.recent)
        return c.tree;

    QByteArray data;
    const JsonRead r = read_json_bytes(devicePath, &data);
    if (r != JsonRead::Ok) {
        forget();
        return nullptr;
    }
    if (!c.known || data != c.bytes) {
        forget();
        auto tree = std::make_shared<pt::ptree>();
        if (parse_json_file(devicePath, data, tree.get()) != JsonRead::Ok)
            return nullptr;
        c.bytes = data;
        c.tree = std::move(tree);
    }
    c.known = true;
    c.key = key;
    c.recent = ::time(nullptr) - key.sec < kRacySeconds;
    return c.tree;
}

} // namespace

int get_json_alias_para_from(const char* devicePath, ALIAS_PARA* out, const std::string& section, int id)
{
    const std::shared_ptr<const pt::ptree> tree = alias_tree(devicePath);
    if (!tree)
        return 0;
    try {
        const auto list = tree->get_child_optional(pt::ptree::path_type("namelist." + section, '.'));
        if (!list)
            return 0;
        for (const auto& child : *list) {
            const auto& e = child.second;
            const auto eid = e.get_optional<int>("id");
            if (!eid || *eid != id)
                continue;
            out->id = *eid;
            out->valid = e.get<std::string>("valid", "");
            out->name = e.get<std::string>("name", "");
            return (out->valid != "off" && !out->name.empty()) ? 1 : 0;
        }
    } catch (const std::exception&) {
        // A value of the wrong kind: treat as no alias, keep the file.
    }
    return 0;
}

int get_json_alias_para(ALIAS_PARA* out, std::string section, int id)
{
    return get_json_alias_para_from("/data/configs/alias.json", out, section, id);
}
