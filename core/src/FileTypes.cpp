// The file types of -t TYPE: the common languages' sources and texts, by the globs their
// files are usually named by.
#include <algorithm>

#include "grepcore/Walk.h"

namespace grepcore {

std::vector<FileType> FileTypes() {
  const char* const markdown[] = {"*.markdown", "*.md", "*.mdown", "*.mkdn"};
  std::vector<FileType> types{
      {"asm", {"*.S", "*.asm", "*.s"}},
      {"c", {"*.[chH]", "*.[chH].in", "*.cats"}},
      {"cmake", {"*.cmake", "CMakeLists.txt"}},
      {"cpp",
       {"*.[ChH]", "*.[ChH].in", "*.[ch]pp", "*.[ch]pp.in", "*.[ch]xx", "*.[ch]xx.in", "*.cc",
        "*.cc.in", "*.hh", "*.hh.in", "*.inl"}},
      {"csharp", {"*.cs"}},
      {"css", {"*.css", "*.scss"}},
      {"docker", {"*Dockerfile*"}},
      {"go", {"*.go"}},
      {"haskell", {"*.c2hs", "*.cpphs", "*.hs", "*.hsc", "*.lhs"}},
      {"html", {"*.ejs", "*.htm", "*.html"}},
      {"java", {"*.java", "*.jsp", "*.jspx", "*.properties"}},
      {"js", {"*.js", "*.jsx", "*.vue"}},
      {"json", {"*.json", "composer.lock"}},
      {"kotlin", {"*.kt", "*.kts"}},
      {"lua", {"*.lua"}},
      {"make",
       {"*.mak", "*.mk", "[Gg][Nn][Uu]makefile", "[Gg][Nn][Uu]makefile.am",
        "[Gg][Nn][Uu]makefile.in", "[Mm]akefile", "[Mm]akefile.am", "[Mm]akefile.in"}},
      {"markdown", {std::begin(markdown), std::end(markdown)}},
      {"md", {std::begin(markdown), std::end(markdown)}},
      {"objc", {"*.h", "*.m"}},
      {"objcpp", {"*.h", "*.mm"}},
      {"perl", {"*.PL", "*.perl", "*.pl", "*.plh", "*.plx", "*.pm", "*.t"}},
      {"php", {"*.php", "*.php3", "*.php4", "*.php5", "*.phtml"}},
      {"protobuf", {"*.proto"}},
      {"py", {"*.py"}},
      {"r", {"*.R", "*.Rmd", "*.Rnw", "*.r"}},
      {"ruby", {"*.gemspec", "*.rb", "*.rbw", ".irbrc", "Gemfile", "Rakefile", "config.ru"}},
      {"rust", {"*.rs"}},
      {"scala", {"*.sbt", "*.scala"}},
      {"sh",
       {"*.bash",     "*.bashrc",    "*.csh",        "*.cshrc",     "*.ksh",        "*.kshrc",
        "*.sh",       "*.tcsh",      "*.zsh",        ".bash_login", ".bash_logout", ".bash_profile",
        ".bashrc",    ".cshrc",      ".kshrc",       ".login",      ".logout",      ".profile",
        ".tcshrc",    ".zlogin",     ".zlogout",     ".zprofile",   ".zshenv",      ".zshrc",
        "bash_login", "bash_logout", "bash_profile", "bashrc",      "profile",      "zlogin",
        "zlogout",    "zprofile",    "zshenv",       "zshrc"}},
      {"sql", {"*.psql", "*.sql"}},
      {"svg", {"*.svg"}},
      {"swift", {"*.swift"}},
      {"tex", {"*.bib", "*.cls", "*.dtx", "*.ins", "*.ltx", "*.sty", "*.tex"}},
      {"toml", {"*.toml", "Cargo.lock"}},
      {"ts", {"*.ts", "*.tsx"}},
      {"txt", {"*.txt"}},
      {"vim", {"*.vim"}},
      {"xml",
       {"*.dtd", "*.rng", "*.sch", "*.xhtml", "*.xjb", "*.xml", "*.xml.dist", "*.xsd", "*.xsl",
        "*.xslt"}},
      {"yaml", {"*.yaml", "*.yml"}},
      {"zig", {"*.zig"}},
  };
  return types;
}

bool IsFileType(std::string_view name) {
  const std::vector<FileType> types = FileTypes();
  return std::any_of(types.begin(), types.end(),
                     [&](const FileType& type) { return type.Name == name; });
}

}  // namespace grepcore
