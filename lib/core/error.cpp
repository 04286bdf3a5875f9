#include "core/error.hpp"

namespace vorn {

std::string_view errorName(Error error) {
  switch (error) {
    case Error::OutOfMemory: return "OutOfMemory";
    case Error::InternalError: return "InternalError";
    case Error::FileNotFound: return "FileNotFound";
    case Error::FileTooBig: return "FileTooBig";
    case Error::IsDir: return "IsDir";
    case Error::NotDir: return "NotDir";
    case Error::AccessDenied: return "AccessDenied";
    case Error::NameTooLong: return "NameTooLong";
    case Error::SymLinkLoop: return "SymLinkLoop";
    case Error::NoSpaceLeft: return "NoSpaceLeft";
    case Error::ReadOnlyFileSystem: return "ReadOnlyFileSystem";
    case Error::BrokenPipe: return "BrokenPipe";
    case Error::InputOutput: return "InputOutput";
    case Error::InvalidPath: return "InvalidPath";
    case Error::DiskQuota: return "DiskQuota";
    case Error::FileBusy: return "FileBusy";
    case Error::Unexpected: return "Unexpected";
    case Error::OutputIsInput: return "OutputIsInput";
    case Error::HelpRequested: return "HelpRequested";
    case Error::MissingInput: return "MissingInput";
    case Error::MissingOutput: return "MissingOutput";
    case Error::UnknownFlag: return "UnknownFlag";
    case Error::ConflictingModes: return "ConflictingModes";
    case Error::InvalidFlagValue: return "InvalidFlagValue";
    case Error::ParsingFailed: return "ParsingFailed";
    case Error::NestingTooDeep: return "NestingTooDeep";
    case Error::ExpectedNamedNode: return "ExpectedNamedNode";
    case Error::UnexpectedNodeName: return "UnexpectedNodeName";
    case Error::InvalidChild: return "InvalidChild";
    case Error::InvalidChildIndex: return "InvalidChildIndex";
    case Error::InvalidImportDecl: return "InvalidImportDecl";
    case Error::ExpectedString: return "ExpectedString";
    case Error::InvalidDeclaration: return "InvalidDeclaration";
    case Error::InvalidOutputDecl: return "InvalidOutputDecl";
    case Error::InvalidProgram: return "InvalidProgram";
    case Error::InvalidBusType: return "InvalidBusType";
    case Error::InvalidPortReference: return "InvalidPortReference";
    case Error::InvalidAnonymousDeclaration: return "InvalidAnonymousDeclaration";
    case Error::BuiltinNotFound: return "BuiltinNotFound";
    case Error::MissingResolvedModule: return "MissingResolvedModule";
    case Error::NotRegularFile: return "NotRegularFile";
    case Error::SubCircuitInFlatModule: return "SubCircuitInFlatModule";
    case Error::ModuleNotFound: return "ModuleNotFound";
    case Error::UnresolvedComponent: return "UnresolvedComponent";
    case Error::ComponentNotFound: return "ComponentNotFound";
    case Error::UnknownPortName: return "UnknownPortName";
    case Error::TopologyTooShort: return "TopologyTooShort";
    case Error::CircuitTooLarge: return "CircuitTooLarge";
    case Error::TooManyInputs: return "TooManyInputs";
    case Error::NoOutputs: return "NoOutputs";
    case Error::InvalidTopology: return "InvalidTopology";
    case Error::DidNotSettle: return "DidNotSettle";
    case Error::UnsupportedSubCircuitInPhase4: return "UnsupportedSubCircuitInPhase4";
    case Error::UnresolvedSubCircuitTarget: return "UnresolvedSubCircuitTarget";
    case Error::UnresolvedComponentName: return "UnresolvedComponentName";
    case Error::MissingRootInputId: return "MissingRootInputId";
    case Error::MissingRootOutputId: return "MissingRootOutputId";
    case Error::MissingOutputComponent: return "MissingOutputComponent";
    case Error::InvalidFromComponentId: return "InvalidFromComponentId";
    case Error::InvalidToComponentId: return "InvalidToComponentId";
    case Error::InvalidInputComponentId: return "InvalidInputComponentId";
    case Error::InvalidOutputComponentId: return "InvalidOutputComponentId";
    case Error::StringTooLong: return "StringTooLong";
    case Error::TooManyPins: return "TooManyPins";
  }
  return "Unexpected";
}

}  // namespace vorn
