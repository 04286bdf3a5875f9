#include "lsp/server.hpp"

#include <algorithm>
#include <unordered_set>

#include "core/error.hpp"
#include "core/file_io.hpp"
#include "core/text_arena.hpp"
#include "lsp/framing.hpp"
#include "lsp/hints.hpp"
#include "lsp/masked_text.hpp"
#include "lsp/navigation.hpp"
#include "lsp/references.hpp"
#include "lsp/text_position.hpp"
#include "lsp/uri.hpp"
#include "resolver/builtins.hpp"
#include "resolver/file_loader.hpp"
#include "syntax/translate.hpp"

namespace vorn::lsp {

using nlohmann::json;

namespace {

// The most diagnostics published for one file.
constexpr std::size_t kMaxDiagnosticsPerFile = 1000;

// Error codes of the protocol.
constexpr int kParseError = -32700;
constexpr int kInvalidRequest = -32600;
constexpr int kMethodNotFound = -32601;
constexpr int kInvalidParams = -32602;
[[maybe_unused]] constexpr int kInternalError = -32603;  // a build without exceptions has no use for it
constexpr int kServerNotInitialized = -32002;

// Symbol and completion kinds of the protocol.
constexpr int kSymbolVariable = 13;
constexpr int kSymbolObject = 19;
constexpr int kCompletionField = 5;
constexpr int kCompletionVariable = 6;
constexpr int kCompletionClass = 7;
constexpr int kCompletionModule = 9;
constexpr int kCompletionKeyword = 14;
constexpr int kCompletionFile = 17;
constexpr int kCompletionFolder = 19;

int completionKind(CompletionItem::Kind kind) {
  switch (kind) {
    case CompletionItem::Kind::signal: return kCompletionVariable;
    case CompletionItem::Kind::output_port: return kCompletionField;
    case CompletionItem::Kind::type: return kCompletionClass;
    case CompletionItem::Kind::alias: return kCompletionModule;
    case CompletionItem::Kind::keyword: return kCompletionKeyword;
    case CompletionItem::Kind::file: return kCompletionFile;
    case CompletionItem::Kind::folder: return kCompletionFolder;
  }
  return kCompletionVariable;
}

const json* member(const json& object, const char* key) {
  if (!object.is_object()) return nullptr;
  auto found = object.find(key);
  return found == object.end() ? nullptr : &*found;
}

std::optional<std::string> stringMember(const json& object, const char* key) {
  const json* value = member(object, key);
  if (value == nullptr || !value->is_string()) return std::nullopt;
  return value->get<std::string>();
}

std::optional<Position> positionMember(const json& object, const char* key) {
  const json* value = member(object, key);
  if (value == nullptr) return std::nullopt;
  const json* line = member(*value, "line");
  const json* character = member(*value, "character");
  if (line == nullptr || character == nullptr || !line->is_number_integer() || !character->is_number_integer()) {
    return std::nullopt;
  }
  auto clamp = [](const json& number) -> std::optional<std::uint32_t> {
    if (number.is_number_unsigned())
      return static_cast<std::uint32_t>(std::min<std::uint64_t>(number.get<std::uint64_t>(), 0xFFFFFFFFu));
    const std::int64_t signed_value = number.get<std::int64_t>();
    if (signed_value < 0) return std::nullopt;
    return static_cast<std::uint32_t>(std::min<std::int64_t>(signed_value, 0xFFFFFFFF));
  };
  auto l = clamp(*line);
  auto c = clamp(*character);
  if (!l || !c) return std::nullopt;
  return Position{.line = *l, .character = *c};
}

json toJson(Position position) { return json{{"line", position.line}, {"character", position.character}}; }
json toJson(const Range& range) { return json{{"start", toJson(range.start)}, {"end", toJson(range.end)}}; }

std::string serialise(const json& value) { return value.dump(-1, ' ', false, json::error_handler_t::replace); }

// A string as JSON text; a large publication is written as text directly,
// since a document tree of a hundred thousand diagnostics costs more than
// the check that found them.
std::string jsonString(std::string_view text) { return serialise(json(text)); }

std::string positionText(Position position) {
  return "{\"line\":" + std::to_string(position.line) + ",\"character\":" + std::to_string(position.character) + "}";
}
std::string rangeText(const Range& range) {
  return "{\"start\":" + positionText(range.start) + ",\"end\":" + positionText(range.end) + "}";
}

// Whether byte `offset` lies after a `//` (outside quotes) on its line.
bool inLineComment(std::string_view text, std::size_t offset) {
  offset = std::min(offset, text.size());
  const std::size_t start = offset == 0 ? 0 : text.rfind('\n', offset - 1) + 1;  // npos + 1 == 0
  bool quoted = false;
  for (std::size_t i = start; i < offset; ++i) {
    if (text[i] == '"') quoted = !quoted;
    if (!quoted && text[i] == '/' && i + 1 < offset && text[i + 1] == '/') return true;
  }
  return false;
}

// Request ids are numbers or strings; anything else cannot be answered by id.
bool isValidId(const json& id) { return id.is_number_integer() || id.is_string(); }

}  // namespace

struct Server::ParsedText {
  std::shared_ptr<const std::string> text;
  std::string masked;  // the text with unreadable lines blanked, when it had any
  TextArena arena;
  std::optional<ast::File> file;
  TextIndex index;
  // Where the grammar first stopped, when the text as written does not parse.
  std::optional<translate::SyntaxError> unread;
  bool parse_failed = false;

  // For navigation, unreadable lines are blanked and the rest is read; a
  // few tries, then nothing.
  explicit ParsedText(std::shared_ptr<const std::string> source) : text(std::move(source)), index(*text) {
    std::string_view current = *text;
    for (int attempt = 0; attempt < 8; ++attempt) {
      std::optional<translate::SyntaxError> stop;
      auto parsed_file = translate::parseSource(arena, current, 0, &stop);
      if (parsed_file) {
        file = std::move(*parsed_file);
        return;
      }
      if (attempt == 0) {
        parse_failed = true;
        unread = stop;
      }
      if (masked.empty()) masked = *text;
      if (stop ? !blankUnreadableLine(masked, std::min<std::size_t>(stop->offset, masked.size()))
               : !blankRefusedLines(masked)) {
        break;
      }
      current = masked;
    }
    // Many slips at once: every line the grammar refuses on its own goes.
    if (masked.empty() || !blankRefusedLines(masked)) return;
    if (auto parsed_file = translate::parseSource(arena, masked, 0)) file = std::move(*parsed_file);
  }
};

struct Server::Document {
  std::string uri;
  std::string path;  // canonical path, or a made-up one for a buffer without a file
  std::shared_ptr<const std::string> text;
  json version;
  std::shared_ptr<ParsedText> parsed;
  bool dirty = false;
  Clock::time_point first_change;
  Clock::time_point last_change;
};

Server::Server(Send send, ServerOptions options) : send_(std::move(send)), options_(options) {}
Server::~Server() = default;

void Server::reply(const json& id, json result) {
  send_(serialise(json{{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}}));
}

void Server::replyError(const json& id, int code, std::string message) {
  send_(serialise(
      json{{"jsonrpc", "2.0"}, {"id", id}, {"error", json{{"code", code}, {"message", std::move(message)}}}}));
}

void Server::handleBadHeader(std::string_view problem) {
  replyError(nullptr, kParseError, "malformed header: " + std::string(problem));
}

void Server::handleBody(std::string_view body) {
  json message = json::parse(body, nullptr, false);
  if (message.is_discarded()) {
    // A buffer with a stray byte that is not UTF-8 (a pasted file in another
    // encoding) would otherwise freeze at its last good version: such bytes
    // are read as U+FFFD.
    if (auto readable = replaceInvalidUtf8(body)) message = json::parse(*readable, nullptr, false);
  }
  if (message.is_discarded()) {
    replyError(nullptr, kParseError, "message is not valid JSON");
    return;
  }
  dispatch(message);
}

void Server::dispatch(const json& message) {
  const json* id = member(message, "id");
  const json* method = member(message, "method");
  if (!message.is_object() || method == nullptr || !method->is_string()) {
    // A response to a request of ours: this server sends none, so it is dropped.
    if (message.is_object() && id != nullptr && method == nullptr &&
        (message.contains("result") || message.contains("error"))) {
      return;
    }
    replyError(id != nullptr && isValidId(*id) ? *id : json(nullptr), kInvalidRequest, "not a request or notification");
    return;
  }
  if (id != nullptr && !isValidId(*id)) {
    replyError(nullptr, kInvalidRequest, "request id must be a number or a string");
    return;
  }
  const std::string name = method->get<std::string>();
  const bool is_request = id != nullptr;
  static const json kNoParams = json::object();
  const json* params_member = member(message, "params");
  const json& params = params_member != nullptr ? *params_member : kNoParams;

  if (name == "exit") {
    exit_requested_ = true;
    return;
  }
  if (!initialize_received_ && name != "initialize") {
    if (is_request) replyError(*id, kServerNotInitialized, "initialize first");
    return;
  }
  if (shutdown_requested_) {
    if (is_request) replyError(*id, kInvalidRequest, "the server is shutting down");
    return;
  }

#if defined(__cpp_exceptions)
  try {
    route(name, is_request ? id : nullptr, params);
  } catch (const json::exception& failure) {
    // The library's accessors throw on a value of another type than asked.
    if (is_request) replyError(*id, kInvalidParams, failure.what());
  } catch (const std::bad_alloc&) {
    if (is_request) replyError(*id, kInternalError, "out of memory");
  }
#else
  // Built without exceptions (for WASI), such a fault ends the module, and
  // the page starts a new one; every accessor here checks types first.
  route(name, is_request ? id : nullptr, params);
#endif
}

void Server::route(const std::string& name, const json* id, const json& params) {
  const bool is_request = id != nullptr;
  if (is_request) {
    if (name == "initialize") {
      if (initialize_received_) {
        replyError(*id, kInvalidRequest, "initialize was already received");
        return;
      }
      initialize_received_ = true;
      const json* capabilities = member(params, "capabilities");
      const json* workspace = capabilities != nullptr ? member(*capabilities, "workspace") : nullptr;
      const json* watched = workspace != nullptr ? member(*workspace, "didChangeWatchedFiles") : nullptr;
      const json* dynamic = watched != nullptr ? member(*watched, "dynamicRegistration") : nullptr;
      can_register_watchers_ = dynamic != nullptr && dynamic->is_boolean() && dynamic->get<bool>();
      reply(*id, initializeResult());
    } else if (name == "shutdown") {
      shutdown_requested_ = true;
      reply(*id, nullptr);
    } else if (auto handler = requestHandler(name)) {
      Answer answer = (this->*handler)(params);
      if (answer) {
        reply(*id, std::move(*answer));
      } else {
        replyError(*id, kInvalidParams, answer.error());
      }
    } else {
      replyError(*id, kMethodNotFound, "unknown method '" + name + "'");
    }
    return;
  }
  // Notifications get no answer, not even for a fault.
  if (name == "textDocument/didOpen") {
    didOpen(params);
  } else if (name == "textDocument/didChange") {
    didChange(params);
  } else if (name == "textDocument/didClose") {
    didClose(params);
  } else if (name == "textDocument/didSave") {
    didSave(params);
  } else if (name == "workspace/didChangeWatchedFiles") {
    didChangeWatchedFiles(params);
  } else if (name == "initialized") {
    registerFileWatchers();
  }
}

Server::Handler Server::requestHandler(std::string_view method) {
  if (method == "textDocument/definition") return &Server::definition;
  if (method == "textDocument/documentSymbol") return &Server::documentSymbol;
  if (method == "textDocument/hover") return &Server::hover;
  if (method == "textDocument/completion") return &Server::completion;
  if (method == "textDocument/references") return &Server::references;
  if (method == "textDocument/prepareRename") return &Server::prepareRename;
  if (method == "textDocument/rename") return &Server::rename;
  return nullptr;
}

json Server::initializeResult() const {
  return json{
      {"capabilities",
       json{
           {"positionEncoding", "utf-16"},
           {"textDocumentSync", json{{"openClose", true}, {"change", 2}, {"save", json{{"includeText", false}}}}},
           {"definitionProvider", true},
           {"documentSymbolProvider", true},
           {"hoverProvider", true},
           {"referencesProvider", true},
           {"renameProvider", json{{"prepareProvider", true}}},
           {"completionProvider", json{{"triggerCharacters", json::array({"(", ",", "=", ".", "\"", "/"})}}},
       }},
      {"serverInfo", json{{"name", "vorn-lsp"}}},
  };
}

std::optional<std::string_view> Server::openText(std::string_view path) const {
  const std::string* uri = liveUri(std::string(path));
  if (uri == nullptr) return std::nullopt;
  auto document = documents_.find(*uri);
  if (document == documents_.end()) return std::nullopt;
  return std::string_view(*document->second->text);
}

const std::string* Server::liveUri(const std::string& path) const {
  auto found = uris_by_path_.find(path);
  return found == uris_by_path_.end() || found->second.empty() ? nullptr : &found->second.back();
}

void Server::forgetSpelling(const std::string& path, const std::string& uri) {
  auto found = uris_by_path_.find(path);
  if (found == uris_by_path_.end()) return;
  std::erase(found->second, uri);
  if (found->second.empty()) uris_by_path_.erase(found);
}

std::string Server::uriForPath(const std::string& path) const {
  if (const std::string* uri = liveUri(path)) return *uri;
  // A file the client opened once keeps the client's spelling after it closed.
  auto spelled = client_uri_by_path_.find(path);
  if (spelled != client_uri_by_path_.end()) return spelled->second;
  return fileUriFromPath(path);
}

std::optional<std::string> Server::pathOfUri(const std::string& uri) const {
  std::optional<std::string> path = pathFromFileUri(uri);
  if (!path || path->empty() || path->front() != '/') return std::nullopt;
  auto canonical = file_io::canonicalPath(*path);
  return canonical ? *canonical : file_loader::normalizeLexically(*path);
}

std::shared_ptr<const std::string> Server::textOf(const std::string& path) {
  if (const std::string* uri = liveUri(path)) {
    if (auto document = documents_.find(*uri); document != documents_.end()) return document->second->text;
  }
  // As an editor would show it: positions count a byte order mark as it does.
  auto loaded = file_loader::loadFileOwned(path, true);
  if (!loaded) return std::make_shared<const std::string>();
  return std::make_shared<const std::string>(std::move(loaded->source));
}

std::expected<Server::Document*, std::string> Server::findDocument(const json& params) {
  const json* text_document = member(params, "textDocument");
  if (text_document == nullptr) return std::unexpected("textDocument is missing");
  auto uri = stringMember(*text_document, "uri");
  if (!uri) return std::unexpected("textDocument.uri is missing");
  auto found = documents_.find(*uri);
  return found == documents_.end() ? nullptr : found->second.get();
}

std::shared_ptr<Server::ParsedText> Server::parsed(Document& document) {
  if (!document.parsed) document.parsed = std::make_shared<ParsedText>(document.text);
  return document.parsed;
}

void Server::markChanged(const std::string& path, Clock::time_point now, bool opened) {
  // The document itself when open, every open root whose project read it,
  // and, when a buffer was opened, every root that missed an import: the
  // new buffer may be the file it looked for.
  for (auto& [uri, document] : documents_) {
    bool affected = document->path == path;
    if (!affected) {
      auto check = checks_.find(uri);
      if (check != checks_.end()) {
        const auto& paths = check->second.result.file_paths;
        affected = std::find(paths.begin(), paths.end(), path) != paths.end();
        if (opened && !affected) {
          const auto& list = check->second.result.diagnostics;
          affected = std::any_of(list.begin(), list.end(), [](const PlacedDiagnostic& diagnostic) {
            return diagnostic.code == diagnostics::DiagnosticCode::E009;
          });
        }
      } else {
        affected = true;  // never checked yet
      }
    }
    if (!affected) continue;
    if (!document->dirty) document->first_change = now;
    document->dirty = true;
    document->last_change = now;
  }
}

void Server::didOpen(const json& params) {
  const json* item = member(params, "textDocument");
  if (item == nullptr) return;
  auto uri = stringMember(*item, "uri");
  auto text = stringMember(*item, "text");
  if (!uri || !text) return;

  auto document = std::make_unique<Document>();
  document->uri = *uri;
  if (const json* version = member(*item, "version"); version != nullptr && version->is_number_integer()) {
    document->version = *version;
  }
  if (std::optional<std::string> path = pathOfUri(*uri)) {
    document->path = *path;
    client_uri_by_path_[*path] = *uri;
  } else {
    // A buffer that is no file (an untitled one): checked under a path that
    // exists nowhere, so its relative imports are simply not found.
    document->path = "/.vorn-lsp-unsaved/" + std::to_string(++unsaved_counter_) + "/untitled.vorn";
  }
  document->text = std::make_shared<const std::string>(std::move(*text));

  if (auto existing = documents_.find(*uri); existing != documents_.end()) {
    forgetSpelling(existing->second->path, *uri);
    documents_.erase(existing);
  }
  uris_by_path_[document->path].push_back(*uri);
  const std::string changed_path = document->path;
  documents_[*uri] = std::move(document);
  markChanged(changed_path, Clock::now(), true);
}

void Server::didChange(const json& params) {
  const json* item = member(params, "textDocument");
  const json* changes = member(params, "contentChanges");
  if (item == nullptr || changes == nullptr || !changes->is_array()) return;
  auto uri = stringMember(*item, "uri");
  if (!uri) return;
  auto found = documents_.find(*uri);
  if (found == documents_.end()) return;
  Document& document = *found->second;

  std::string text = *document.text;
  for (const json& change : *changes) {
    auto replacement = stringMember(change, "text");
    if (!replacement) continue;
    if (member(change, "range") == nullptr) {
      text = std::move(*replacement);
      continue;
    }
    // An edit of a range, as incremental sync sends it.
    const json& range = *member(change, "range");
    auto start = positionMember(range, "start");
    auto end = positionMember(range, "end");
    if (!start || !end) continue;
    TextIndex index(text);
    std::size_t from = index.offsetOfPosition(*start);
    std::size_t to = std::max(from, index.offsetOfPosition(*end));
    text.replace(from, to - from, *replacement);
  }
  document.text = std::make_shared<const std::string>(std::move(text));
  document.parsed.reset();
  // The spelling edited last is the one whose text stands for the file.
  forgetSpelling(document.path, document.uri);
  uris_by_path_[document.path].push_back(document.uri);
  if (const json* version = member(*item, "version"); version != nullptr && version->is_number_integer()) {
    document.version = *version;
  }
  markChanged(document.path, Clock::now());
}

void Server::didClose(const json& params) {
  const json* item = member(params, "textDocument");
  if (item == nullptr) return;
  auto uri = stringMember(*item, "uri");
  if (!uri) return;
  auto found = documents_.find(*uri);
  if (found == documents_.end()) return;
  const std::string path = found->second->path;
  forgetSpelling(path, *uri);
  std::set<std::string> affected{path};
  if (auto check = checks_.find(*uri); check != checks_.end()) {
    for (const auto& [diagnostic_path, indices] : check->second.by_path) affected.insert(diagnostic_path);
    checks_.erase(check);
  }
  documents_.erase(found);
  owed_.erase(*uri);
  // What was said under the closed document's name is withdrawn; other
  // projects may still speak of the file under its plain file URI.
  if (auto previous = published_.find(*uri); previous != published_.end()) {
    sendDiagnostics(*uri, "[]");
    published_.erase(previous);
    if (auto spelled = published_uri_.find(path); spelled != published_uri_.end() && spelled->second == *uri) {
      published_uri_.erase(spelled);
    }
  }
  publishPaths(affected, {});
  // The file on disk now stands for the closed buffer in other projects.
  markChanged(path, Clock::now());
}

void Server::didSave(const json& params) {
  auto document = findDocument(params);
  if (document && *document != nullptr) markChanged((*document)->path, Clock::now());
}

void Server::didChangeWatchedFiles(const json& params) {
  const json* changes = member(params, "changes");
  if (changes == nullptr || !changes->is_array()) return;
  constexpr int kCreated = 1;
  const Clock::time_point now = Clock::now();
  for (const json& change : *changes) {
    auto uri = stringMember(change, "uri");
    if (!uri) continue;
    std::optional<std::string> path = pathOfUri(*uri);
    if (!path) continue;
    const json* type = member(change, "type");
    // A new file may be the import a root could not find.
    const bool created = type != nullptr && type->is_number_integer() && type->get<std::int64_t>() == kCreated;
    markChanged(*path, now, created);
  }
}

void Server::registerFileWatchers() {
  if (!can_register_watchers_) return;
  can_register_watchers_ = false;  // once
  json registration{{"id", "vorn-watched-files"},
                    {"method", "workspace/didChangeWatchedFiles"},
                    {"registerOptions", json{{"watchers", json::array({json{{"globPattern", "**/*.vorn"}}})}}}};
  send_(serialise(json{{"jsonrpc", "2.0"},
                       {"id", "vorn-lsp-" + std::to_string(next_request_id_++)},
                       {"method", "client/registerCapability"},
                       {"params", json{{"registrations", json::array({std::move(registration)})}}}}));
}

Clock::time_point Server::dueTime(const Document& document) const {
  return std::min(document.last_change + options_.debounce, document.first_change + options_.longest_wait);
}

std::optional<Clock::time_point> Server::nextCheckDue() const {
  std::optional<Clock::time_point> due;
  for (const auto& [uri, document] : documents_) {
    if (!document->dirty) continue;
    const Clock::time_point when = dueTime(*document);
    if (!due || when < *due) due = when;
  }
  return due;
}

void Server::runDueChecks(Clock::time_point now) {
  // One project per call, so that requests are answered between the checks
  // of many open files; the most recently edited document goes first.
  Document* next = nullptr;
  for (auto& [uri, document] : documents_) {
    if (!document->dirty || dueTime(*document) > now) continue;
    if (next == nullptr || document->last_change > next->last_change) next = document.get();
  }
  if (next == nullptr) return;
  next->dirty = false;

  std::set<std::string> affected{next->path};
  RootCheck check;
  if (auto previous = checks_.find(next->uri); previous != checks_.end()) {
    for (const auto& [path, indices] : previous->second.by_path) affected.insert(path);
    check.scan_cache = std::move(previous->second.scan_cache);
  }
  // The hints that need the root's tree take it from the check, which
  // parses the root anyway; only a root that does not parse is read again.
  std::optional<std::vector<PlacedDiagnostic>> output_hints;
  check.result = checkProject(next->path, openBuffers(), &check.scan_cache, [&](const ast::File& root) {
    addUnconnectedOutputHints(next->path, root, output_hints.emplace());
  });
  addEditorDiagnostics(*next, check.result, std::move(output_hints));
  for (std::size_t i = 0; i < check.result.diagnostics.size(); ++i) {
    const std::string& path = check.result.diagnostics[i].path;
    if (builtins::hasVirtualPrefix(path)) continue;
    check.by_path[path].push_back(i);
  }
  for (const auto& [path, indices] : check.by_path) affected.insert(path);
  checks_[next->uri] = std::move(check);
  publishPaths(affected, {next->uri});
}

void Server::addEditorDiagnostics(Document& root, ProjectCheck& result,
                                  std::optional<std::vector<PlacedDiagnostic>> output_hints) {
  nameComponentsInNotes(result.diagnostics, [&](const std::string& path) { return textOf(path); });
  std::vector<PlacedDiagnostic> hints;
  if (output_hints) {
    hints = std::move(*output_hints);
    for (PlacedDiagnostic& hint : rootHints(RootText{.path = root.path, .text = *root.text})) {
      hints.push_back(std::move(hint));
    }
  } else {
    auto text = parsed(root);
    hints = rootHints(RootText{.path = root.path,
                               .text = *text->text,
                               .file = text->file ? &*text->file : nullptr,
                               .unread = text->unread,
                               .parse_failed = text->parse_failed});
  }
  for (PlacedDiagnostic& hint : hints) result.diagnostics.push_back(std::move(hint));
  addImportLineDiagnostics(root, result);
}

void Server::addImportLineDiagnostics(Document& root, ProjectCheck& result) {
  // Errors located in files the root reaches, gathered at the root's import
  // that leads there; only then are the files read for their imports.
  std::map<std::string, std::vector<const PlacedDiagnostic*>> errors;
  for (const PlacedDiagnostic& d : result.diagnostics) {
    if (d.level == diagnostics::DiagnosticLevel::err && !d.information && d.path != root.path &&
        !builtins::hasVirtualPrefix(d.path)) {
      errors[d.path].push_back(&d);
    }
  }
  if (errors.empty()) return;
  auto parsed_root = parsed(root);
  if (!parsed_root->file) return;
  const ParsedText& text = *parsed_root;
  file_loader::ScopedSourceOverlay scope(openBuffers());
  TextArena arena;
  std::map<std::string, std::shared_ptr<ParsedText>> files;
  auto importsOf = [&](const std::string& path) -> const ast::File* {
    auto& slot = files[path];
    if (!slot) slot = std::make_shared<ParsedText>(textOf(path));
    return slot->file ? &*slot->file : nullptr;
  };
  std::vector<PlacedDiagnostic> added;
  for (const ast::Import& import : text.file->imports) {
    auto target = file_loader::resolveImportPath(arena, root.path, import.path.text);
    if (!target || builtins::hasVirtualPrefix(*target) || *target == root.path) continue;
    PlacedDiagnostic placed;
    placed.path = root.path;
    placed.span = import.span;
    placed.message = "errors in imported file '" + std::string(import.path.text) + "'";
    // Breadth first, so that each file is reached by its shortest chain,
    // which the notes spell out import by import.
    struct Step {
      std::string path;
      std::vector<PlacedNote> chain;
    };
    std::vector<Step> queue{Step{std::string(*target), {}}};
    std::set<std::string> seen{root.path, std::string(*target)};
    for (std::size_t next = 0; next < queue.size(); ++next) {
      const Step step = queue[next];
      if (auto found = errors.find(step.path); found != errors.end()) {
        for (const PlacedNote& link : step.chain) placed.notes.push_back(link);
        for (const PlacedDiagnostic* error : found->second) {
          placed.notes.push_back(PlacedNote{.path = error->path, .span = error->span, .message = error->message});
        }
      }
      const ast::File* file = importsOf(step.path);
      if (file == nullptr) continue;
      for (const ast::Import& inner : file->imports) {
        auto inner_target = file_loader::resolveImportPath(arena, step.path, inner.path.text);
        if (!inner_target || builtins::hasVirtualPrefix(*inner_target)) continue;
        if (!seen.insert(std::string(*inner_target)).second) continue;
        Step deeper{std::string(*inner_target), step.chain};
        deeper.chain.push_back(PlacedNote{
            .path = step.path, .span = inner.span, .message = "imports '" + std::string(inner.path.text) + "'"});
        queue.push_back(std::move(deeper));
      }
    }
    if (!placed.notes.empty()) added.push_back(std::move(placed));
  }
  for (PlacedDiagnostic& diagnostic : added) result.diagnostics.push_back(std::move(diagnostic));
}

void Server::sendDiagnostics(const std::string& uri, const std::string& list) {
  std::string message = "{\"jsonrpc\":\"2.0\",\"method\":\"textDocument/publishDiagnostics\",\"params\":{\"uri\":";
  message += jsonString(uri);
  if (auto document = documents_.find(uri); document != documents_.end() && !document->second->version.is_null()) {
    message += ",\"version\":" + serialise(document->second->version);
  }
  message += ",\"diagnostics\":";
  message += list;
  message += "}}";
  send_(message);
}

// The checked documents come last, so that their publication closes the
// news of their check.
std::vector<std::string> Server::publicationOrder(const std::set<std::string>& paths,
                                                  const std::set<std::string>& just_checked) const {
  std::vector<std::string> ordered;
  for (const std::string& path : paths) {
    if (!just_checked.contains(uriForPath(path))) ordered.push_back(path);
  }
  for (const std::string& path : paths) {
    if (just_checked.contains(uriForPath(path))) ordered.push_back(path);
  }
  return ordered;
}

// A root waiting to be checked again would add what it found before: the
// file waits for that check, which publishes it in turn.
bool Server::waitsForCheck(const std::string& path) const {
  return std::any_of(checks_.begin(), checks_.end(), [&](const auto& entry) {
    auto root = documents_.find(entry.first);
    return root != documents_.end() && root->second->dirty &&
           (root->second->path == path || entry.second.by_path.contains(path));
  });
}

// The file's own project first, then what other projects found there.
Server::Gathered Server::gatherDiagnostics(const std::string& path, const std::string& uri) const {
  Gathered gathered;
  auto collect = [&](const RootCheck& check) {
    auto found = check.by_path.find(path);
    if (found == check.by_path.end()) return;
    ++gathered.contributors;
    for (std::size_t index : found->second) gathered.list.push_back(&check.result.diagnostics[index]);
  };
  auto own = checks_.find(uri);
  if (own != checks_.end() && documents_.contains(uri) && documents_.at(uri)->path == path) {
    collect(own->second);
  } else {
    own = checks_.end();
  }
  for (auto it = checks_.begin(); it != checks_.end(); ++it) {
    if (it != own) collect(it->second);
  }
  return gathered;
}

// The protocol's list as JSON text; a diagnostic that several projects
// found is listed once.
std::string Server::diagnosticsJson(const Gathered& gathered, const TextIndex& index,
                                    const std::function<const TextIndex&(const std::string&)>& indexOf) const {
  std::string array = "[";
  std::unordered_set<std::string> keys;
  std::size_t listed = 0;
  for (std::size_t k = 0; k < gathered.list.size(); ++k) {
    if (listed == kMaxDiagnosticsPerFile) {
      // Clients slow to a crawl on a list of many thousands; the rest is counted.
      const std::size_t rest = gathered.list.size() - k;
      array += ",{\"range\":" + rangeText(index.rangeOfSpan(std::nullopt)) +
               ",\"severity\":3,\"source\":\"vorn\",\"message\":" +
               jsonString(std::to_string(rest) + " more diagnostic" + (rest == 1 ? "" : "s") +
                          " in this file not shown (the first " + std::to_string(kMaxDiagnosticsPerFile) + " are)") +
               "}";
      break;
    }
    const PlacedDiagnostic* diagnostic = gathered.list[k];
    std::string item = "{\"range\":" + rangeText(index.rangeOfSpan(diagnostic->span));
    item += diagnostic->information                                  ? ",\"severity\":3"
            : diagnostic->level == diagnostics::DiagnosticLevel::err ? ",\"severity\":1"
                                                                     : ",\"severity\":2";
    item += ",\"source\":\"vorn\"";
    if (diagnostic->code) item += ",\"code\":\"" + std::string(diagnostics::codeName(*diagnostic->code)) + "\"";
    item += ",\"message\":" + jsonString(diagnostic->message);
    if (!diagnostic->notes.empty()) {
      item += ",\"relatedInformation\":[";
      bool first = true;
      for (const PlacedNote& note : diagnostic->notes) {
        if (builtins::hasVirtualPrefix(note.path)) continue;
        if (!first) item += ",";
        first = false;
        item += "{\"location\":{\"uri\":" + jsonString(uriForPath(note.path)) +
                ",\"range\":" + rangeText(indexOf(note.path).rangeOfSpan(note.span)) +
                "},\"message\":" + jsonString(note.message) + "}";
      }
      item += "]";
    }
    item += "}";
    if (gathered.contributors > 1 && !keys.insert(item).second) continue;
    if (array.size() > 1) array += ",";
    array += item;
    ++listed;
  }
  array += "]";
  return array;
}

// A document that was just checked hears the result even when nothing
// changed; other files only when their list did.
void Server::publish(const std::string& path, const std::string& uri, std::string array, bool just_checked) {
  const bool empty = array == "[]";
  // The file's list moves to the spelling it is published under now.
  if (auto spelled = published_uri_.find(path); spelled != published_uri_.end() && spelled->second != uri) {
    if (published_.erase(spelled->second) > 0) sendDiagnostics(spelled->second, "[]");
    published_uri_.erase(spelled);
  }
  auto previous = published_.find(uri);
  const bool same = previous != published_.end() ? previous->second == array : empty;
  if (!same || just_checked || owed_.contains(uri)) sendDiagnostics(uri, array);
  owed_.erase(uri);
  if (empty) {
    if (previous != published_.end()) published_.erase(previous);
    published_uri_.erase(path);
  } else {
    published_[uri] = std::move(array);
    published_uri_[path] = uri;
  }
}

void Server::publishPaths(const std::set<std::string>& paths, const std::set<std::string>& just_checked) {
  file_loader::ScopedSourceOverlay scope(openBuffers());

  std::map<std::string, std::unique_ptr<TextIndex>> indexes;
  std::vector<std::shared_ptr<const std::string>> texts;
  auto indexOf = [&](const std::string& path) -> const TextIndex& {
    auto& slot = indexes[path];
    if (!slot) {
      texts.push_back(textOf(path));
      slot = std::make_unique<TextIndex>(*texts.back());
    }
    return *slot;
  };

  for (const std::string& path : publicationOrder(paths, just_checked)) {
    if (builtins::hasVirtualPrefix(path)) continue;
    const std::string uri = uriForPath(path);
    if (waitsForCheck(path)) {
      // A document just checked still hears its result, once it can.
      if (just_checked.contains(uri)) owed_.insert(uri);
      continue;
    }
    const Gathered gathered = gatherDiagnostics(path, uri);
    std::string array = gathered.list.empty() ? "[]" : diagnosticsJson(gathered, indexOf(path), indexOf);
    publish(path, uri, std::move(array), just_checked.contains(uri));
  }
}

Server::Answer Server::answerInParsedFile(const json& params, const std::function<Answer(const Located&)>& answer) {
  VORN_TRY(const Located at, locate(params));
  if (!at.text || !at.text->file) return nullptr;
  file_loader::ScopedSourceOverlay scope(openBuffers());
  return answer(at);
}

Server::Answer Server::definition(const json& params) {
  return answerInParsedFile(params, [&](const Located& at) -> Answer {
    auto location = definitionAt(*at.text->file, at.document->path, at.line_col);
    if (!location) return nullptr;
    Range range;  // a whole file opens at its very start
    if (location->span) {
      auto target_text = location->path == at.document->path ? at.text->text : textOf(location->path);
      range = TextIndex(*target_text).rangeOfSpan(location->span);
    }
    return json{{"uri", uriForPath(location->path)}, {"range", toJson(range)}};
  });
}

Server::Answer Server::documentSymbol(const json& params) {
  VORN_TRY(Document * document, findDocument(params));
  json symbols = json::array();
  if (document == nullptr) return symbols;
  auto text = parsed(*document);
  if (!text->file) return symbols;
  for (const FileSymbol& symbol : fileSymbols(*text->file)) {
    json item{
        {"name", symbol.name},
        {"kind", symbol.role == SymbolRole::instance ? kSymbolObject : kSymbolVariable},
        {"range", toJson(text->index.rangeOfSpan(symbol.span))},
        {"selectionRange", toJson(text->index.rangeOfSpan(symbol.name_span))},
    };
    switch (symbol.role) {
      case SymbolRole::input: item["detail"] = "input"; break;
      case SymbolRole::output: item["detail"] = "output"; break;
      case SymbolRole::instance: item["detail"] = symbol.type_name; break;
    }
    symbols.push_back(std::move(item));
  }
  return symbols;
}

Server::Answer Server::hover(const json& params) {
  return answerInParsedFile(params, [&](const Located& at) -> Answer {
    auto markdown = hoverAt(*at.text->file, at.document->path, at.line_col);
    if (!markdown) return nullptr;
    return json{{"contents", json{{"kind", "markdown"}, {"value", *markdown}}}};
  });
}

Server::Answer Server::completion(const json& params) {
  VORN_TRY(const Located at, locate(params));
  json items = json::array();
  if (!at.text || inLineComment(*at.text->text, at.offset)) return items;
  file_loader::ScopedSourceOverlay scope(openBuffers());
  const ast::File* file = at.text->file ? &*at.text->file : nullptr;
  for (const std::string& port : portCompletionsAt(*at.text->text, at.offset, file, at.document->path)) {
    items.push_back(json{{"label", port}, {"kind", kCompletionField}, {"detail", "input port"}});
  }
  if (!items.empty()) return items;
  for (const CompletionItem& item : contextCompletionsAt(*at.text->text, at.offset, file, at.document->path)) {
    items.push_back(json{{"label", item.label}, {"kind", completionKind(item.kind)}, {"detail", item.detail}});
  }
  return items;
}

std::shared_ptr<Server::ParsedText> Server::parsedFile(const std::string& path) {
  if (const std::string* uri = liveUri(path)) {
    if (auto document = documents_.find(*uri); document != documents_.end()) return parsed(*document->second);
  }
  return std::make_shared<ParsedText>(textOf(path));
}

std::set<std::string> Server::projectFiles() const {
  std::set<std::string> files;
  std::set<std::string> folders;
  for (const auto& [uri, document] : documents_) {
    files.insert(document->path);
    folders.insert(document->path.substr(0, document->path.rfind('/') + 1));
  }
  for (const auto& [uri, check] : checks_) {
    for (const std::string& path : check.result.file_paths) {
      if (!builtins::hasVirtualPrefix(path)) files.insert(path);
    }
  }
  // Files nothing open imports yet may import the file being renamed in;
  // a bound on the walk keeps a document opened in a huge folder cheap.
  constexpr std::size_t kMaxEntries = 20000;
  std::size_t budget = kMaxEntries;
  std::vector<std::string> pending(folders.rbegin(), folders.rend());
  std::set<std::string> walked;
  while (!pending.empty() && budget > 0) {
    const std::string folder = std::move(pending.back());
    pending.pop_back();
    if (!walked.insert(folder).second) continue;
    const std::vector<file_io::DirectoryEntry> entries = file_io::directoryEntries(folder, budget);
    budget -= entries.size();
    for (const file_io::DirectoryEntry& entry : entries) {
      if (entry.name.starts_with('.')) continue;
      const std::string path = folder + entry.name;
      if (entry.is_directory) {
        pending.push_back(path + "/");
      } else if (entry.name.ends_with(".vorn")) {
        if (auto canonical = file_io::canonicalPath(path)) files.insert(*canonical);
      }
    }
  }
  return files;
}

std::map<std::string, Server::Found> Server::occurrencesOf(const Symbol& symbol) {
  std::map<std::string, Found> found;
  file_loader::ScopedSourceOverlay scope(openBuffers());
  auto scan = [&](const std::string& path) {
    // Most files of a folder never write the name: they are not parsed.
    if (textOf(path)->find(symbol.name) == std::string::npos) return;
    auto text = parsedFile(path);
    if (!text->file) return;
    auto list = occurrencesIn(*text->file, path, symbol);
    if (!list.empty()) found[path] = Found{text, std::move(list)};
  };
  // Instances and aliases live in their file; pins are also the ports of
  // every file that imports theirs.
  if (symbol.kind == Symbol::Kind::instance || symbol.kind == Symbol::Kind::alias) {
    scan(symbol.path);
  } else {
    for (const std::string& path : projectFiles()) scan(path);
  }
  return found;
}

Server::Answer Server::references(const json& params) {
  return answerInParsedFile(params, [&](const Located& at) -> Answer {
    auto symbol = symbolAt(*at.text->file, at.document->path, at.line_col);
    if (!symbol) return nullptr;
    const json* context = member(params, "context");
    const json* declarations = context != nullptr ? member(*context, "includeDeclaration") : nullptr;
    const bool include_declaration =
        declarations == nullptr || !declarations->is_boolean() || declarations->get<bool>();
    json locations = json::array();
    for (const auto& [path, found] : occurrencesOf(symbol->symbol)) {
      for (const Occurrence& occurrence : found.list) {
        if (occurrence.declaration && !include_declaration) continue;
        locations.push_back(
            json{{"uri", uriForPath(path)}, {"range", toJson(found.text->index.rangeOfSpan(occurrence.span))}});
      }
    }
    return locations;
  });
}

Server::Answer Server::prepareRename(const json& params) {
  return answerInParsedFile(params, [&](const Located& at) -> Answer {
    auto symbol = symbolAt(*at.text->file, at.document->path, at.line_col);
    if (!symbol) return nullptr;
    return json{{"range", toJson(at.text->index.rangeOfSpan(symbol->span))}, {"placeholder", symbol->symbol.name}};
  });
}

Server::Answer Server::rename(const json& params) {
  auto new_name = stringMember(params, "newName");
  if (!new_name) return std::unexpected("newName is missing");
  if (!isValidName(*new_name)) return std::unexpected("'" + *new_name + "' is not a name vorn accepts");
  return answerInParsedFile(params, [&](const Located& at) -> Answer {
    auto symbol = symbolAt(*at.text->file, at.document->path, at.line_col);
    if (!symbol) return nullptr;
    json changes = json::object();
    for (const auto& [path, found] : occurrencesOf(symbol->symbol)) {
      json edits = json::array();
      for (const Occurrence& occurrence : found.list) {
        edits.push_back(
            json{{"range", toJson(found.text->index.rangeOfSpan(occurrence.span))}, {"newText", *new_name}});
      }
      changes[uriForPath(path)] = std::move(edits);
    }
    return json{{"changes", std::move(changes)}};
  });
}

std::expected<Server::Located, std::string> Server::locate(const json& params) {
  VORN_TRY(Document * document, findDocument(params));
  auto position = positionMember(params, "position");
  if (!position) return std::unexpected("position is missing");
  Located at;
  at.document = document;
  if (at.document == nullptr) return at;
  at.text = parsed(*at.document);
  at.offset = at.text->index.offsetOfPosition(*position);
  at.line_col = at.text->index.lines().lineColOf(at.offset);
  return at;
}

file_loader::SourceOverlay Server::openBuffers() const {
  return [this](std::string_view path) { return openText(path); };
}

int serve(int in_fd, int out_fd, ServerOptions options) {
  bool client_gone = false;
  Server server(
      [&](const std::string& message) {
        if (client_gone) return;
        if (!writeMessage(out_fd, message)) client_gone = true;
      },
      options);
  MessageReader reader(in_fd);
  bool checked_last = false;
  while (!server.exitRequested() && !client_gone) {
    if (auto due = server.nextCheckDue()) {
      // Checks and waiting messages take turns, so that neither a client
      // that never pauses nor many open projects starve the other.
      const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(*due - Clock::now()).count();
      const bool input = wait > 0 ? reader.waitForInput(static_cast<int>(std::min<long long>(wait, 60'000)))
                                  : checked_last && reader.waitForInput(0);
      if (!input) {
        server.runDueChecks(Clock::now());
        checked_last = true;
        continue;
      }
    }
    checked_last = false;
    MessageReader::Read read = reader.next();
    if (read.status == MessageReader::Status::end_of_input) break;
    if (read.status == MessageReader::Status::bad_header) {
      server.handleBadHeader(read.problem);
    } else {
      server.handleBody(read.body);
    }
  }
  if (server.exitRequested()) return server.exitStatus();
  // The client went away without saying exit.
  return 1;
}

}  // namespace vorn::lsp
