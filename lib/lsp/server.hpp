#pragma once

#include <chrono>
#include <cstdint>
#include <expected>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "lsp/navigation.hpp"
#include "lsp/project_check.hpp"
#include "lsp/references.hpp"
#include "lsp/text_position.hpp"
#include "resolver/file_loader.hpp"

// The language server's state and message handling, independent of the
// descriptors it talks through: one body in, any number of bodies out.
namespace vorn::lsp {

using Clock = std::chrono::steady_clock;

struct ServerOptions {
  // Quiet time after the last change before a check runs, and the longest a
  // changed document waits while changes keep coming.
  std::chrono::milliseconds debounce{40};
  std::chrono::milliseconds longest_wait{250};
};

class Server {
 public:
  using Send = std::function<void(const std::string& message)>;

  Server(Send send, ServerOptions options = {});
  ~Server();

  // One framed body, as received.
  void handleBody(std::string_view body);
  // A header block that could not be used.
  void handleBadHeader(std::string_view problem);

  // When the next debounced check is due, if one is waiting.
  std::optional<Clock::time_point> nextCheckDue() const;
  // Runs one check that is due at `now` (the most recently edited document
  // first) and publishes what changed.
  void runDueChecks(Clock::time_point now);

  bool exitRequested() const { return exit_requested_; }
  // 0 after shutdown then exit, 1 for an exit without shutdown.
  int exitStatus() const { return shutdown_requested_ ? 0 : 1; }

 private:
  struct Document;
  struct ParsedText;
  // The last check of an open document as a project root, with its
  // diagnostics grouped by the file they are located in.
  struct RootCheck {
    ProjectCheck result;
    std::map<std::string, std::vector<std::size_t>> by_path;
    ScanCache scan_cache;
  };

  void dispatch(const nlohmann::json& message);
  // A message of a known kind to its handler; `id` is null for a notification.
  void route(const std::string& name, const nlohmann::json* id, const nlohmann::json& params);
  void reply(const nlohmann::json& id, nlohmann::json result);
  void replyError(const nlohmann::json& id, int code, std::string message);

  nlohmann::json initializeResult() const;
  void didOpen(const nlohmann::json& params);
  void didChange(const nlohmann::json& params);
  void didClose(const nlohmann::json& params);
  void didSave(const nlohmann::json& params);
  // Files changed on disk, as the client's watchers report them.
  void didChangeWatchedFiles(const nlohmann::json& params);
  // Asks the client to report changes of every .vorn file, when it can.
  void registerFileWatchers();
  // The canonical path of a file: URI, or a lexical one when it is gone.
  std::optional<std::string> pathOfUri(const std::string& uri) const;
  // A request's result, or why its parameters were refused.
  using Answer = std::expected<nlohmann::json, std::string>;
  using Handler = Answer (Server::*)(const nlohmann::json& params);
  static Handler requestHandler(std::string_view method);
  Answer definition(const nlohmann::json& params);
  Answer documentSymbol(const nlohmann::json& params);
  Answer hover(const nlohmann::json& params);
  Answer completion(const nlohmann::json& params);
  Answer references(const nlohmann::json& params);
  Answer prepareRename(const nlohmann::json& params);
  Answer rename(const nlohmann::json& params);
  // Every place of the project that names a symbol, by file, with the
  // parse the places are in.
  struct Found {
    std::shared_ptr<ParsedText> text;
    std::vector<Occurrence> list;
  };
  std::map<std::string, Found> occurrencesOf(const Symbol& symbol);
  // The files a rename looks in: the open documents, every file their
  // checks read, and the .vorn files in and below their folders.
  std::set<std::string> projectFiles() const;
  // The parse of any file by path: the open buffer's, else the file's.
  std::shared_ptr<ParsedText> parsedFile(const std::string& path);

  // The open document a request names (nullptr when it is not open).
  std::expected<Document*, std::string> findDocument(const nlohmann::json& params);
  // What a request at a position works on: the open document (null when it
  // is not open, and then `text` is null too), its parse, and the position
  // as a byte offset and as the compiler's line and byte column.
  struct Located {
    Document* document = nullptr;
    std::shared_ptr<ParsedText> text;
    std::size_t offset = 0;
    LineCol line_col;
  };
  std::expected<Located, std::string> locate(const nlohmann::json& params);
  // A request on a parsed document at a position: `answer`'s, with open
  // buffers read before the disk; null where the document is not open or
  // does not parse.
  Answer answerInParsedFile(const nlohmann::json& params, const std::function<Answer(const Located&)>& answer);
  // Lets loads and import resolution read open buffers before the disk.
  file_loader::SourceOverlay openBuffers() const;
  std::shared_ptr<ParsedText> parsed(Document& document);
  void markChanged(const std::string& path, Clock::time_point now, bool opened = false);
  Clock::time_point dueTime(const Document& document) const;
  // Recomputes and sends, where it changed, the diagnostics of each file.
  void publishPaths(const std::set<std::string>& paths, const std::set<std::string>& just_checked);
  // The steps of publishPaths.
  struct Gathered {
    std::vector<const PlacedDiagnostic*> list;
    int contributors = 0;  // the projects that found something in the file
  };
  std::vector<std::string> publicationOrder(const std::set<std::string>& paths,
                                            const std::set<std::string>& just_checked) const;
  bool waitsForCheck(const std::string& path) const;
  Gathered gatherDiagnostics(const std::string& path, const std::string& uri) const;
  std::string diagnosticsJson(const Gathered& gathered, const TextIndex& index,
                              const std::function<const TextIndex&(const std::string&)>& indexOf) const;
  void publish(const std::string& path, const std::string& uri, std::string array, bool just_checked);
  void sendDiagnostics(const std::string& uri, const std::string& list);
  // What only the editor shows, added to a root's check: the errors of
  // the files it reaches, at the imports that lead there,
  // and the hints about the root's own text.
  // `output_hints` are those found in the root's tree during the check,
  // when it parsed.
  void addEditorDiagnostics(Document& root, ProjectCheck& result,
                            std::optional<std::vector<PlacedDiagnostic>> output_hints);
  void addImportLineDiagnostics(Document& root, ProjectCheck& result);
  std::string uriForPath(const std::string& path) const;
  // The open spelling whose text stands for the file, if any is open.
  const std::string* liveUri(const std::string& path) const;
  void forgetSpelling(const std::string& path, const std::string& uri);
  std::optional<std::string_view> openText(std::string_view path) const;
  // The text of any file by path: an open buffer, else the file itself.
  std::shared_ptr<const std::string> textOf(const std::string& path);

  Send send_;
  ServerOptions options_;
  bool initialize_received_ = false;
  bool shutdown_requested_ = false;
  bool exit_requested_ = false;
  bool can_register_watchers_ = false;
  std::uint64_t next_request_id_ = 1;
  std::uint64_t unsaved_counter_ = 0;

  std::map<std::string, std::unique_ptr<Document>> documents_;  // by URI
  // Open documents by file: every spelling (URI) the client has open, the
  // one edited last at the back.
  std::map<std::string, std::vector<std::string>> uris_by_path_;
  std::map<std::string, RootCheck> checks_;                // by root URI
  std::map<std::string, std::string> published_;           // by URI: the non-empty lists last sent, as JSON
  std::map<std::string, std::string> published_uri_;       // by path: the URI of its entry in published_
  std::map<std::string, std::string> client_uri_by_path_;  // how the client spells each file it opened
  std::set<std::string> owed_;  // checked documents whose publication waits for another root's check
};

// Reads framed messages from `in_fd` and writes answers to `out_fd` until
// the client says exit or goes away; returns the process exit status.
int serve(int in_fd, int out_fd, ServerOptions options = {});

}  // namespace vorn::lsp
