#include "vcl35/Streaming.h"

#include <cctype>
#include <sstream>
#include <vector>

#include "vcl35/Registry.h"
#include "vcl35/TypeInfo.h"

namespace vcl35 {

EReadError::EReadError(std::size_t line, const std::string& property, const std::string& problem)
    : std::runtime_error("line " + std::to_string(line) +
                         (property.empty() ? std::string() : ", property " + property) + ": " +
                         problem),
      LineNumber(line),
      PropertyName(property) {}

namespace {

std::string QuoteText(const std::string& bytes) {
  static const char Hex[] = "0123456789ABCDEF";
  std::string out = "\"";
  for (unsigned char c : bytes) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        if (c >= 32 && c < 127) {
          out += static_cast<char>(c);
        } else {
          out += "\\x";
          out += Hex[c >> 4];
          out += Hex[c & 0xF];
        }
    }
  }
  return out + "\"";
}

std::string SetText(const TTypeInfo& setType, std::int64_t bits) {
  std::string out = "[";
  const std::vector<std::string>& names = setType.ElementType->EnumNames;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if ((bits >> i & 1) == 0) continue;
    if (out.size() > 1) out += ", ";
    out += names[i];
  }
  return out + "]";
}

// The value of one property in the text, or empty when it is not written.
std::string ValueText(const TObject& object, const TPropInfo& info) {
  if (!info.Stored) return std::string();
  switch (info.PropType->Kind) {
    case TypeKind::Integer: {
      const std::int64_t value = info.GetOrd(object);
      return value == info.Default ? std::string() : std::to_string(value);
    }
    case TypeKind::Enumeration: {
      const std::int64_t value = info.GetOrd(object);
      if (value == info.Default) return std::string();
      const std::vector<std::string>& names = info.PropType->EnumNames;
      return value >= 0 && static_cast<std::size_t>(value) < names.size()
                 ? names[static_cast<std::size_t>(value)]
                 : std::to_string(value);
    }
    case TypeKind::Set: {
      const std::int64_t value = info.GetOrd(object);
      return value == info.Default ? std::string() : SetText(*info.PropType, value);
    }
    case TypeKind::LString: {
      const AnsiString value = info.GetStr(object);
      return value.IsEmpty() ? std::string() : QuoteText(value.Data());
    }
    case TypeKind::Method:
      break;
  }
  return std::string();
}

// Reads the values of the text format; every problem names the line and the property.
class ValueReader {
 public:
  ValueReader(const std::string& text, std::size_t line, const std::string& property)
      : Text(text), Line(line), Property(property) {}

  std::int64_t Integer() {
    std::size_t used = 0;
    std::int64_t value = 0;
    try {
      value = std::stoll(Text, &used);
    } catch (const std::exception&) {
      Fail("not an integer: " + Text);
    }
    if (used != Text.size()) Fail("not an integer: " + Text);
    return value;
  }

  std::int64_t Enumerator(const TTypeInfo& type) {
    const int ordinal = type.OrdinalOf(Text);
    if (ordinal < 0) Fail("unknown value " + Text);
    return ordinal;
  }

  std::int64_t SetBits(const TTypeInfo& type) {
    if (Text.size() < 2 || Text.front() != '[' || Text.back() != ']') Fail("not a set: " + Text);
    std::int64_t bits = 0;
    const std::string inner = Text.substr(1, Text.size() - 2);
    std::vector<std::string> names;
    for (std::size_t start = 0;;) {
      const std::size_t comma = inner.find(',', start);
      names.push_back(Trim(
          inner.substr(start, comma == std::string::npos ? std::string::npos : comma - start)));
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (names[i].empty()) {
        if (names.size() == 1) break;  // "[]"
        Fail("empty set element");
      }
      const int ordinal = type.ElementType->OrdinalOf(names[i]);
      if (ordinal < 0) Fail("unknown set element " + names[i]);
      bits |= std::int64_t{1} << ordinal;
    }
    return bits;
  }

  std::string Bytes() {
    if (Text.size() < 2 || Text.front() != '"' || Text.back() != '"')
      Fail("malformed text: " + Text);
    std::string out;
    const std::size_t end = Text.size() - 1;
    for (std::size_t i = 1; i < end; ++i) {
      if (Text[i] == '"') Fail("malformed text: " + Text);
      if (Text[i] != '\\') {
        out += Text[i];
        continue;
      }
      if (++i >= end) Fail("unterminated escape");
      switch (Text[i]) {
        case 'n':
          out += '\n';
          break;
        case 't':
          out += '\t';
          break;
        case 'r':
          out += '\r';
          break;
        case '"':
          out += '"';
          break;
        case '\\':
          out += '\\';
          break;
        case 'x': {
          if (i + 2 >= end || !std::isxdigit(static_cast<unsigned char>(Text[i + 1])) ||
              !std::isxdigit(static_cast<unsigned char>(Text[i + 2])))
            Fail("malformed character code");
          out += static_cast<char>(std::stoi(Text.substr(i + 1, 2), nullptr, 16));
          i += 2;
          break;
        }
        default:
          Fail(std::string("unknown escape \\") + Text[i]);
      }
    }
    return out;
  }

  static std::string Trim(const std::string& s) {
    const std::size_t first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
  }

 private:
  [[noreturn]] void Fail(const std::string& problem) const {
    throw EReadError(Line, Property, problem);
  }

  std::string Text;
  std::size_t Line;
  std::string Property;
};

void ReadProperty(TComponent& component, const std::string& name, const std::string& value,
                  std::size_t line) {
  const TPropInfo* info = GetPropInfo(component.ClassType(), name);
  if (info == nullptr || info->PropType->Kind == TypeKind::Method)
    throw EReadError(line, name, "unknown property of " + component.ClassName().ToString());
  ValueReader reader(value, line, name);
  switch (info->PropType->Kind) {
    case TypeKind::Integer:
      info->SetOrd(component, reader.Integer());
      break;
    case TypeKind::Enumeration:
      info->SetOrd(component, reader.Enumerator(*info->PropType));
      break;
    case TypeKind::Set:
      info->SetOrd(component, reader.SetBits(*info->PropType));
      break;
    case TypeKind::LString: {
      const std::string bytes = reader.Bytes();
      info->SetStr(component, AnsiString(bytes.data(), bytes.size()));
      break;
    }
    case TypeKind::Method:
      break;
  }
}

struct Header {
  std::string Name;
  std::string ClassName;
};

Header ReadHeader(const std::string& line, std::size_t number) {
  const std::string text = ValueReader::Trim(line);
  const std::string keyword = "component ";
  const std::size_t open = text.rfind('(');
  if (text.compare(0, keyword.size(), keyword) != 0 || open == std::string::npos ||
      open < keyword.size() || text.back() != ')')
    throw EReadError(number, "", "expected 'component <name> (<class>)'");
  return {ValueReader::Trim(text.substr(keyword.size(), open - keyword.size())),
          ValueReader::Trim(text.substr(open + 1, text.size() - open - 2))};
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::stringstream in(text);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

std::size_t FirstLine(const std::vector<std::string>& lines) {
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (!ValueReader::Trim(lines[i]).empty()) return i;
  throw EReadError(1, "", "empty form");
}

void ReadBody(const std::vector<std::string>& lines, std::size_t headerLine,
              TComponent& component) {
  for (std::size_t i = headerLine + 1; i < lines.size(); ++i) {
    const std::string text = ValueReader::Trim(lines[i]);
    if (text.empty()) continue;
    if (text == "end") return;
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos) throw EReadError(i + 1, "", "expected 'property = value'");
    const std::string name = ValueReader::Trim(text.substr(0, equals));
    ReadProperty(component, name, ValueReader::Trim(text.substr(equals + 1)), i + 1);
  }
  throw EReadError(lines.size(), "", "missing 'end'");
}

}  // namespace

std::string WriteComponentText(const TComponent& component) {
  std::string out =
      "component " + component.Name().ToString() + " (" + component.ClassType()->Name + ")\n";
  for (const TPublishedProperty& property : GetPropList(component.ClassType())) {
    const std::string value = ValueText(component, *property.Info);
    if (!value.empty()) out += "  " + property.Info->Name + " = " + value + "\n";
  }
  return out + "end\n";
}

void ReadComponentText(const std::string& text, TComponent& component) {
  const std::vector<std::string> lines = Lines(text);
  const std::size_t first = FirstLine(lines);
  const Header header = ReadHeader(lines[first], first + 1);
  if (header.ClassName != component.ClassType()->Name)
    throw EReadError(first + 1, "",
                     "stored class " + header.ClassName + " is not " + component.ClassType()->Name);
  component.SetName(AnsiString(header.Name));
  ReadBody(lines, first, component);
}

TComponent* CreateComponentFromText(const std::string& text, TComponent* owner) {
  const std::vector<std::string> lines = Lines(text);
  const std::size_t first = FirstLine(lines);
  const Header header = ReadHeader(lines[first], first + 1);
  const TComponentClass cls = FindClass(AnsiString(header.ClassName));
  if (cls == nullptr || cls->Create == nullptr)
    throw EReadError(first + 1, "", "class " + header.ClassName + " not found");
  // The owner takes the component; one that cannot be read is destroyed again.
  std::unique_ptr<TComponent> component(cls->Create(nullptr));
  component->SetName(AnsiString(header.Name));
  ReadBody(lines, first, *component);
  TComponent* created = component.release();
  if (owner != nullptr) owner->InsertComponent(created);
  return created;
}

}  // namespace vcl35
