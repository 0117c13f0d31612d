#pragma once
// A chain of nested directories deeper than the longest path the system takes, built and
// removed through directory handles (a path to its bottom cannot be used).

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace TestSupport {

class DeepTree {
 public:
  // `depth` directories named `name`, each inside the one before, the first inside `root`.
  DeepTree(const std::string& root, int depth, const std::string& name) : Root(root), Name(name) {
    Levels.push_back(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (int i = 0; i < depth; ++i) {
      if (::mkdirat(Levels.back(), name.c_str(), 0755) != 0) throw std::runtime_error("mkdirat failed");
      Levels.push_back(::openat(Levels.back(), name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
      if (Levels.back() < 0) throw std::runtime_error("openat failed");
    }
  }
  ~DeepTree() {
    for (std::size_t level = Levels.size(); level-- > 0;) {
      RemoveFilesIn(Levels[level]);
      if (level > 0) ::unlinkat(Levels[level - 1], Name.c_str(), AT_REMOVEDIR);
      ::close(Levels[level]);
    }
  }
  DeepTree(const DeepTree&) = delete;
  DeepTree& operator=(const DeepTree&) = delete;

  // The path of the directory at `level` (0: the root).
  std::string PathOf(int level) const {
    std::string path = Root;
    for (int i = 0; i < level; ++i) path += "/" + Name;
    return path;
  }

  void Write(int level, const std::string& file, const std::string& content) const {
    const int fd = ::openat(Levels.at(static_cast<std::size_t>(level)), file.c_str(),
                            O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) throw std::runtime_error("cannot create " + file);
    const bool written = ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
    ::close(fd);
    if (!written) throw std::runtime_error("cannot write " + file);
  }

  std::string Read(int level, const std::string& file) const {
    const int fd = ::openat(Levels.at(static_cast<std::size_t>(level)), file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("cannot open " + file);
    std::string content;
    char piece[4096];
    for (ssize_t got; (got = ::read(fd, piece, sizeof piece)) > 0;) content.append(piece, static_cast<std::size_t>(got));
    ::close(fd);
    return content;
  }

 private:
  // Removes every entry of the directory but the next level of the chain.
  void RemoveFilesIn(int directory) const {
    const int own = ::openat(directory, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* stream = ::fdopendir(own);
    if (stream == nullptr) return;
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(stream)) {
      const std::string name = entry->d_name;
      if (name != "." && name != ".." && name != Name) names.push_back(name);
    }
    ::closedir(stream);
    for (const std::string& name : names) ::unlinkat(directory, name.c_str(), 0);
  }

  std::string Root;
  std::string Name;
  std::vector<int> Levels;
};

}  // namespace TestSupport
