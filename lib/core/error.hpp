#pragma once

#include <expected>
#include <string_view>

namespace vorn {

// Every failure that ends a stage has one of these names; the driver prints
// the name after the stage's prefix, so the enumerators are spelled exactly as
// they appear on standard error.
enum class Error {
  // Memory and process.
  OutOfMemory,
  InternalError,
  // File system and streams.
  FileNotFound,
  FileTooBig,
  IsDir,
  NotDir,
  AccessDenied,
  NameTooLong,
  SymLinkLoop,
  NoSpaceLeft,
  ReadOnlyFileSystem,
  BrokenPipe,
  InputOutput,
  InvalidPath,
  DiskQuota,
  FileBusy,
  Unexpected,
  OutputIsInput,
  // Command line.
  HelpRequested,
  MissingInput,
  MissingOutput,
  UnknownFlag,
  ConflictingModes,
  InvalidFlagValue,
  // Parsing and translation.
  ParsingFailed,
  NestingTooDeep,
  ExpectedNamedNode,
  UnexpectedNodeName,
  InvalidChild,
  InvalidChildIndex,
  InvalidImportDecl,
  ExpectedString,
  InvalidDeclaration,
  InvalidOutputDecl,
  InvalidProgram,
  InvalidBusType,
  InvalidPortReference,
  InvalidAnonymousDeclaration,
  // Loading and resolution.
  BuiltinNotFound,
  MissingResolvedModule,
  NotRegularFile,
  // Topologies.
  SubCircuitInFlatModule,
  ModuleNotFound,
  UnresolvedComponent,
  ComponentNotFound,
  UnknownPortName,
  TopologyTooShort,
  CircuitTooLarge,
  // Truth tables.
  TooManyInputs,
  NoOutputs,
  InvalidTopology,
  DidNotSettle,
  // Zig emission.
  UnsupportedSubCircuitInPhase4,
  UnresolvedSubCircuitTarget,
  UnresolvedComponentName,
  MissingRootInputId,
  MissingRootOutputId,
  MissingOutputComponent,
  InvalidFromComponentId,
  InvalidToComponentId,
  InvalidInputComponentId,
  InvalidOutputComponentId,
  StringTooLong,
  TooManyPins,
};

std::string_view errorName(Error error);

template <typename T>
using Result = std::expected<T, Error>;

// Shorthand for returning a failure: `return fail(Error::FileNotFound);`
inline std::unexpected<Error> fail(Error error) { return std::unexpected<Error>(error); }

}  // namespace vorn
