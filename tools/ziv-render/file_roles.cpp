#include "tools/ziv-render/file_roles.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <vector>

#include "output/printable_name.h"
#include "tools/ziv-render/output_file.h"

namespace {

struct FileKey {
    bool exists = false;
    bool device = false;   // a character device: any number of readers and writers
    dev_t dev = 0;
    ino_t ino = 0;
    std::string path;      // absolute, links resolved as far as they exist
};

// Absolute, with links resolved as far as the path exists; the missing rest is kept as spelt.
std::string resolvedPath(const std::string& path) {
    std::string head = path.empty() || path[0] == '/' ? path : "./" + path;
    std::string rest;
    char buffer[PATH_MAX];
    for (;;) {
        if (realpath(head.c_str(), buffer)) {
            const std::string base = buffer;
            return rest.empty() ? base : base + (base == "/" ? "" : "/") + rest;
        }
        const size_t slash = head.find_last_of('/');
        if (slash == std::string::npos || head.empty()) return path;
        const std::string part = head.substr(slash + 1);
        if (!part.empty()) rest = rest.empty() ? part : part + "/" + rest;
        head = slash == 0 ? "/" : head.substr(0, slash);
    }
}

FileKey keyOf(const std::string& name) {
    FileKey k;
    const std::string target = outputTarget(name);
    struct stat st;
    if (stat(target.c_str(), &st) == 0) {
        k.exists = true;
        k.device = S_ISCHR(st.st_mode);
        k.dev = st.st_dev;
        k.ino = st.st_ino;
    }
    k.path = resolvedPath(target);
    while (k.path.size() > 1 && k.path.back() == '/') k.path.pop_back();
    return k;
}

bool same(const FileKey& a, const FileKey& b) {
    if (a.exists && b.exists) return a.dev == b.dev && a.ino == b.ino;
    return a.path == b.path;
}

struct Role {
    std::string what;   // "track", "trace", "output", "PNG folder"
    std::string name;
    bool output;
    FileKey key;
};

std::string quoted(const Role& r) { return r.what + " '" + printableName(r.name) + "'"; }

}  // namespace

bool sameFile(const std::string& a, const std::string& b) { return same(keyOf(a), keyOf(b)); }

bool checkFileRoles(const RenderOptions& o, std::string* why) {
    std::vector<Role> roles;
    auto add = [&](const char* what, const std::string& name, bool output) {
        if (!name.empty() && !(output && name == "-")) roles.push_back({what, name, output, keyOf(name)});
    };
    add("track", effectiveTrack(o), false);
    add("trace", o.traceIn, false);
    for (const VideoOutput& v : o.videos) add("output", v.path, true);
    add("output", o.raw, true);
    add("output", o.traceOut, true);
    add("output", o.stats, true);
    add("PNG folder", o.pngDir, true);

    for (size_t i = 0; i < roles.size(); ++i) {
        for (size_t j = i + 1; j < roles.size(); ++j) {
            const Role& a = roles[i];
            const Role& b = roles[j];
            if (!a.output && !b.output) continue;   // reading one file twice harms nothing
            if (a.key.device || b.key.device || !same(a.key, b.key)) continue;
            if (why) {
                const Role& out = b.output ? b : a;
                const Role& other = b.output ? a : b;
                *why = quoted(out) + " is the same file as " + quoted(other) +
                       (other.output ? "" : ", which would be overwritten");
            }
            return false;
        }
    }
    if (!o.pngDir.empty()) {
        const std::string folder = keyOf(o.pngDir).path + "/";
        for (const Role& r : roles) {
            if (r.what == "PNG folder" || r.key.path.compare(0, folder.size(), folder) != 0) continue;
            if (why) *why = quoted(r) + " lies inside the PNG folder '" + printableName(o.pngDir) + "', which is replaced as a whole";
            return false;
        }
    }
    return true;
}
