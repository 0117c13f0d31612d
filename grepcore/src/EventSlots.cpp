// The event slots: a plain function and a closure per event.
#include "EventSlots.h"
#include "grepcore/Regularexpressionclass.h"

namespace RegexClass {

using RE = RegularExpression;

void RE::SetOnMatching(MatchEvent handler) { InstallPlain(OnMatching, OnMatchingClosure, handler); }
RE::MatchEvent RE::GetOnMatching() const { return OnMatching; }
void RE::SetOnMatchingClosure(MatchEventClosure handler) { InstallClosure(OnMatching, OnMatchingClosure, handler); }
RE::MatchEventClosure RE::GetOnMatchingClosure() const { return OnMatchingClosure; }

void RE::SetOnSearching(MatchEvent handler) { InstallPlain(OnSearching, OnSearchingClosure, handler); }
RE::MatchEvent RE::GetOnSearching() const { return OnSearching; }
void RE::SetOnSearchingClosure(MatchEventClosure handler) { InstallClosure(OnSearching, OnSearchingClosure, handler); }
RE::MatchEventClosure RE::GetOnSearchingClosure() const { return OnSearchingClosure; }

void RE::SetOnGrepping(ContinueMatchEvent handler) { InstallPlain(OnGrepping, OnGreppingClosure, handler); }
RE::ContinueMatchEvent RE::GetOnGrepping() const { return OnGrepping; }
void RE::SetOnGreppingClosure(ContinueMatchEventClosure handler) { InstallClosure(OnGrepping, OnGreppingClosure, handler); }
RE::ContinueMatchEventClosure RE::GetOnGreppingClosure() const { return OnGreppingClosure; }

void RE::SetOnGreppingFiles(FileMatchEvent handler) { InstallPlain(OnGreppingFiles, OnGreppingFilesClosure, handler); }
RE::FileMatchEvent RE::GetOnGreppingFiles() const { return OnGreppingFiles; }
void RE::SetOnGreppingFilesClosure(FileMatchEventClosure handler) { InstallClosure(OnGreppingFiles, OnGreppingFilesClosure, handler); }
RE::FileMatchEventClosure RE::GetOnGreppingFilesClosure() const { return OnGreppingFilesClosure; }

void RE::SetOnFindFiles(FileFoundEvent handler) { InstallPlain(OnFindFiles, OnFindFilesClosure, handler); }
RE::FileFoundEvent RE::GetOnFindFiles() const { return OnFindFiles; }
void RE::SetOnFindFilesClosure(FileFoundEventClosure handler) { InstallClosure(OnFindFiles, OnFindFilesClosure, handler); }
RE::FileFoundEventClosure RE::GetOnFindFilesClosure() const { return OnFindFilesClosure; }

void RE::SetOnMerging(ContinueMatchEvent handler) { InstallPlain(OnMerging, OnMergingClosure, handler); }
RE::ContinueMatchEvent RE::GetOnMerging() const { return OnMerging; }
void RE::SetOnMergingClosure(ContinueMatchEventClosure handler) { InstallClosure(OnMerging, OnMergingClosure, handler); }
RE::ContinueMatchEventClosure RE::GetOnMergingClosure() const { return OnMergingClosure; }

void RE::SetOnChangingFiles(FileMatchEvent handler) { InstallPlain(OnChangingFiles, OnChangingFilesClosure, handler); }
RE::FileMatchEvent RE::GetOnChangingFiles() const { return OnChangingFiles; }
void RE::SetOnChangingFilesClosure(FileMatchEventClosure handler) { InstallClosure(OnChangingFiles, OnChangingFilesClosure, handler); }
RE::FileMatchEventClosure RE::GetOnChangingFilesClosure() const { return OnChangingFilesClosure; }

void RE::SetOnMatchingView(MatchViewEvent handler) { InstallPlain(OnMatchingView, OnMatchingViewClosure, handler); }
RE::MatchViewEvent RE::GetOnMatchingView() const { return OnMatchingView; }
void RE::SetOnMatchingViewClosure(MatchViewEventClosure handler) { InstallClosure(OnMatchingView, OnMatchingViewClosure, handler); }
RE::MatchViewEventClosure RE::GetOnMatchingViewClosure() const { return OnMatchingViewClosure; }

void RE::SetOnSearchingView(MatchViewEvent handler) { InstallPlain(OnSearchingView, OnSearchingViewClosure, handler); }
RE::MatchViewEvent RE::GetOnSearchingView() const { return OnSearchingView; }
void RE::SetOnSearchingViewClosure(MatchViewEventClosure handler) { InstallClosure(OnSearchingView, OnSearchingViewClosure, handler); }
RE::MatchViewEventClosure RE::GetOnSearchingViewClosure() const { return OnSearchingViewClosure; }

void RE::SetOnGreppingView(ContinueMatchViewEvent handler) { InstallPlain(OnGreppingView, OnGreppingViewClosure, handler); }
RE::ContinueMatchViewEvent RE::GetOnGreppingView() const { return OnGreppingView; }
void RE::SetOnGreppingViewClosure(ContinueMatchViewEventClosure handler) { InstallClosure(OnGreppingView, OnGreppingViewClosure, handler); }
RE::ContinueMatchViewEventClosure RE::GetOnGreppingViewClosure() const { return OnGreppingViewClosure; }

void RE::SetOnMergingView(ContinueMatchViewEvent handler) { InstallPlain(OnMergingView, OnMergingViewClosure, handler); }
RE::ContinueMatchViewEvent RE::GetOnMergingView() const { return OnMergingView; }
void RE::SetOnMergingViewClosure(ContinueMatchViewEventClosure handler) { InstallClosure(OnMergingView, OnMergingViewClosure, handler); }
RE::ContinueMatchViewEventClosure RE::GetOnMergingViewClosure() const { return OnMergingViewClosure; }

void RE::SetOnGreppingFilesView(FileMatchViewEvent handler) { InstallPlain(OnGreppingFilesView, OnGreppingFilesViewClosure, handler); }
RE::FileMatchViewEvent RE::GetOnGreppingFilesView() const { return OnGreppingFilesView; }
void RE::SetOnGreppingFilesViewClosure(FileMatchViewEventClosure handler) { InstallClosure(OnGreppingFilesView, OnGreppingFilesViewClosure, handler); }
RE::FileMatchViewEventClosure RE::GetOnGreppingFilesViewClosure() const { return OnGreppingFilesViewClosure; }

void RE::SetOnChangingFilesView(FileMatchViewEvent handler) { InstallPlain(OnChangingFilesView, OnChangingFilesViewClosure, handler); }
RE::FileMatchViewEvent RE::GetOnChangingFilesView() const { return OnChangingFilesView; }
void RE::SetOnChangingFilesViewClosure(FileMatchViewEventClosure handler) { InstallClosure(OnChangingFilesView, OnChangingFilesViewClosure, handler); }
RE::FileMatchViewEventClosure RE::GetOnChangingFilesViewClosure() const { return OnChangingFilesViewClosure; }

}  // namespace RegexClass
