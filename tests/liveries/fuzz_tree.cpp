#include "fuzz_tree.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

namespace sw::liveries::fuzz {

namespace stdfs = std::filesystem;

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "broken invariant: %s\n", what);
        std::abort();
    }
}

void writeBytes(const stdfs::path& path, const std::string& bytes) {
    stdfs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    check(static_cast<bool>(out), "the fuzz tree can be written");
}

std::string readBytes(const stdfs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

stdfs::path FuzzTree::productFolder(Simulator simulator, const std::string& product) const {
    return sim / (simulator == Simulator::FSX ? "SimObjects/Airplanes" : "Aircraft") / product;
}

std::map<std::string, std::string> FuzzTree::snapshot(const stdfs::path& except) const {
    std::map<std::string, std::string> entries;
    std::error_code error;
    for (auto it = stdfs::recursive_directory_iterator(root, error);
         it != stdfs::recursive_directory_iterator(); it.increment(error)) {
        const stdfs::path& path = it->path();
        if (path == except) {
            it.disable_recursion_pending();
            continue;
        }
        const std::string key = path.lexically_relative(root).string();
        if (it->is_symlink())
            entries[key] = "-> " + stdfs::read_symlink(path, error).string();
        else if (it->is_directory())
            entries[key] = "<dir>";
        else
            entries[key] = readBytes(path);
    }
    return entries;
}

namespace {

FuzzTree makeTree() {
    std::string pattern = (stdfs::temp_directory_path() / "sw-fuzz-XXXXXX").string();
    check(::mkdtemp(pattern.data()) != nullptr, "a temporary folder can be made");
    FuzzTree tree;
    tree.root = pattern;
    tree.sim = tree.root / "FS";
    tree.work = tree.root / "work";
    writeBytes(tree.root / "outside.txt", "beside the simulator\r\n");
    writeBytes(tree.sim / "readme.txt", "the simulator\r\n");
    for (Simulator simulator : {Simulator::FS9, Simulator::FSX}) {
        const stdfs::path neighbour = tree.productFolder(simulator, "ZEV_NEIGHBOUR");
        writeBytes(neighbour / "aircraft.cfg", "[fltsim.0]\r\ntitle=Neighbour\r\nui_variation=Neighbour\r\n"
                                               "texture=fuzz\r\ndescription=x\r\n\r\n[General]\r\n");
        writeBytes(neighbour / "texture.fuzz" / "t.bmp", "BM neighbour");
    }
    stdfs::create_directories(tree.work);
    return tree;
}

void removeTree() {
    std::error_code error;
    stdfs::remove_all(fuzzTree().root, error);
}

} // namespace

const FuzzTree& fuzzTree() {
    static const FuzzTree tree = [] {
        FuzzTree made = makeTree();
        std::atexit(removeTree);
        return made;
    }();
    return tree;
}

bool isInsertion(const std::string& base, const std::string& text, const std::string& piece) {
    if (text.size() != base.size() + piece.size())
        return false;
    std::size_t prefix = 0;
    while (prefix < base.size() && base[prefix] == text[prefix])
        ++prefix;
    std::size_t suffix = 0;
    while (suffix < base.size() && base[base.size() - 1 - suffix] == text[text.size() - 1 - suffix])
        ++suffix;
    // `piece` may stand at any place that keeps the common prefix before it and the common
    // suffix after it.
    for (std::size_t at = base.size() - suffix; at <= prefix; ++at) {
        if (text.compare(at, piece.size(), piece) == 0)
            return true;
    }
    return false;
}

} // namespace sw::liveries::fuzz
