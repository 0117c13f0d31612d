#include "PublishedProperties.h"

#include <iterator>
#include <stdexcept>

#include "common/OptionSets.h"
#include "grepkit/Regularexpressioncustom.h"

namespace RegexComponent {
namespace {

using vcl35::AccessKind;
using vcl35::ParamPassing;
using vcl35::TObject;
using vcl35::TPropInfo;
using vcl35::TTypeInfo;
using vcl35::TypeKind;
using RE = RegularExpressionCustom;

const TTypeInfo& OptionsType() {
  static const TTypeInfo info{
      TypeKind::Enumeration,
      "Options",
      {std::begin(Common::ExpressionOptionNames), std::end(Common::ExpressionOptionNames)},
      nullptr,
      1,
      {}};
  return info;
}

const TTypeInfo& MatchesType() {
  static const TTypeInfo info{
      TypeKind::Enumeration,
      "Matches",
      {std::begin(Common::MatchOptionNames), std::end(Common::MatchOptionNames)},
      nullptr,
      1,
      {}};
  return info;
}

const TTypeInfo& OptionSetType() {
  static const TTypeInfo info{TypeKind::Set,  "Set<Options,0,15>",   {},
                              &OptionsType(), sizeof(RE::OptionSet), {}};
  return info;
}

const TTypeInfo& MatchSetType() {
  static const TTypeInfo info{TypeKind::Set,  "Set<Matches,0,11>",  {},
                              &MatchesType(), sizeof(RE::MatchSet), {}};
  return info;
}

const std::vector<vcl35::TParamInfo>& MatchParams() {
  static const std::vector<vcl35::TParamInfo> params{
      {"Sender", "RegularExpressionCustom*", ParamPassing::Value},
      {"Matches", "REMatchInfo", ParamPassing::Const},
      {"LineIndex", "unsigned", ParamPassing::Value},
      {"StartOfLine", "UInt64", ParamPassing::Value}};
  return params;
}

TTypeInfo MethodType(std::vector<vcl35::TParamInfo> params) {
  return TTypeInfo{TypeKind::Method, "", {}, nullptr, sizeof(RE::MatchEvent), std::move(params)};
}

const TTypeInfo& MatchEventType() {
  static const TTypeInfo info = MethodType(MatchParams());
  return info;
}

const TTypeInfo& ContinueMatchEventType() {
  static const TTypeInfo info = [] {
    std::vector<vcl35::TParamInfo> params = MatchParams();
    params.push_back({"bcontinue", "bool", ParamPassing::Var});
    return MethodType(params);
  }();
  return info;
}

const TTypeInfo& FileMatchEventType() {
  static const TTypeInfo info =
      MethodType({{"Sender", "RegularExpressionCustom*", ParamPassing::Value},
                  {"file", "AnsiString", ParamPassing::Value},
                  {"Matches", "REMatchInfo", ParamPassing::Const},
                  {"LineIndex", "unsigned", ParamPassing::Value},
                  {"bcontinue", "bool", ParamPassing::Var}});
  return info;
}

const TTypeInfo& FileFoundEventType() {
  static const TTypeInfo info =
      MethodType({{"Sender", "RegularExpressionCustom*", ParamPassing::Value},
                  {"file", "AnsiString", ParamPassing::Value},
                  {"bcontinue", "bool", ParamPassing::Var}});
  return info;
}

const RE& Core(const TObject& object) { return static_cast<const RE&>(object); }
RE& Core(TObject& object) { return static_cast<RE&>(object); }

TPropInfo Property(const std::string& name, const TTypeInfo* type, vcl35::TAccessPath read,
                   vcl35::TAccessPath write) {
  TPropInfo info;
  info.Name = name;
  info.PropType = type;
  info.Read = std::move(read);
  info.Write = std::move(write);
  info.Stored = true;
  info.Default = 0;
  return info;
}

TPropInfo TextProperty(const std::string& name, vcl35::AnsiString (RE::*get)() const,
                       void (RE::*set)(const vcl35::AnsiString&)) {
  TPropInfo info = Property(name, vcl35::AnsiStringTypeInfo(), {AccessKind::Method, "Get" + name},
                            {AccessKind::Method, "Set" + name});
  info.GetStr = [get](const TObject& o) { return (Core(o).*get)(); };
  info.SetStr = [set](TObject& o, const vcl35::AnsiString& v) { (Core(o).*set)(v); };
  return info;
}

TPropInfo FlagProperty(const std::string& name, bool RE::*field) {
  TPropInfo info = Property(name, vcl35::BooleanTypeInfo(), {AccessKind::Field, name},
                            {AccessKind::Field, name});
  info.GetOrd = [field](const TObject& o) -> std::int64_t { return Core(o).*field ? 1 : 0; };
  info.SetOrd = [field](TObject& o, std::int64_t v) { Core(o).*field = v != 0; };
  return info;
}

template <class Event>
TPropInfo EventProperty(const std::string& name, const TTypeInfo& type, Event RE::*field) {
  TPropInfo info = Property(name, &type, {AccessKind::Field, name}, {AccessKind::Field, name});
  info.MethodAssigned = [field](const TObject& o) { return static_cast<bool>(Core(o).*field); };
  return info;
}

std::vector<TPropInfo> AllProperties() {
  std::vector<TPropInfo> all;
  TPropInfo matches = Property("MatchOptions", &MatchSetType(), {AccessKind::Field, "MatchOptions"},
                               {AccessKind::Method, "SetMatches"});
  matches.GetOrd = [](const TObject& o) -> std::int64_t {
    return Core(o).GetMatchOptions().ToBits();
  };
  matches.SetOrd = [](TObject& o, std::int64_t v) {
    Core(o).SetMatches(RE::MatchSet::FromBits(static_cast<std::uint32_t>(v)));
  };
  all.push_back(matches);
  TPropInfo options =
      Property("ExpressionOptions", &OptionSetType(), {AccessKind::Field, "ExpressionOptions"},
               {AccessKind::Method, "SetOptions"});
  options.GetOrd = [](const TObject& o) -> std::int64_t {
    return Core(o).GetExpressionOptions().ToBits();
  };
  options.SetOrd = [](TObject& o, std::int64_t v) {
    Core(o).SetOptions(RE::OptionSet::FromBits(static_cast<std::uint32_t>(v)));
  };
  all.push_back(options);
  all.push_back(TextProperty("Expression", &RE::GetExpression, &RE::SetExpression));
  all.push_back(TextProperty("FormatString", &RE::GetFormatString, &RE::SetFormatString));
  all.push_back(FlagProperty("DirectoryRecursion", &RE::DirectoryRecursion));
  all.push_back(FlagProperty("MergeCopy", &RE::MergeCopy));
  all.push_back(TextProperty("StringToMatch", &RE::GetStringToMatch, &RE::SetStringToMatch));
  all.push_back(TextProperty("FilesToMatch", &RE::GetFilesToMatch, &RE::SetFilesToMatch));
  all.push_back(TextProperty("SaveExtension", &RE::GetSaveExtension, &RE::SetSaveExtension));
  all.push_back(EventProperty("OnMatching", MatchEventType(), &RE::OnMatching));
  all.push_back(EventProperty("OnSearching", MatchEventType(), &RE::OnSearching));
  all.push_back(EventProperty("OnGrepping", ContinueMatchEventType(), &RE::OnGrepping));
  all.push_back(EventProperty("OnMerging", ContinueMatchEventType(), &RE::OnMerging));
  all.push_back(EventProperty("OnGreppingFiles", FileMatchEventType(), &RE::OnGreppingFiles));
  all.push_back(EventProperty("OnFindFiles", FileFoundEventType(), &RE::OnFindFiles));
  all.push_back(EventProperty("OnChangingFiles", FileMatchEventType(), &RE::OnChangingFiles));
  return all;
}

}  // namespace

TPropInfo PublishedProperty(const std::string& name) {
  static const std::vector<TPropInfo> all = AllProperties();
  for (const TPropInfo& info : all)
    if (info.Name == name) return info;
  throw std::logic_error("no published property " + name);
}

std::vector<TPropInfo> PublishedProperties(const std::vector<std::string>& names) {
  std::vector<TPropInfo> list;
  for (const std::string& name : names) list.push_back(PublishedProperty(name));
  return list;
}

}  // namespace RegexComponent
