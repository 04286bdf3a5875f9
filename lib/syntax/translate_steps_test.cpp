// Translation steps on hand-built parse trees that the grammar never
// produces: every guard of the tree contract answers with its own error.

#include "syntax/translate_steps.hpp"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace vorn::translate {
namespace {

const char* const kNames[] = {"",          "Program", "Identifier", "Declaration", "ComponentType", "BusType",
                              "IdentList", "PortRef", "AnonDecl",   "ImportDecl",  "Connection",    "Other"};
enum Name : std::int32_t {
  kProgram = 1,
  kIdentifier,
  kDeclaration,
  kComponentType,
  kBusType,
  kIdentList,
  kPortRef,
  kAnonDecl,
  kImportDecl,
  kConnection,
  kOther
};

// Every node covers some of the source "output xyz"; most cover the "o".
class StepsTest : public ::testing::Test {
 protected:
  StepsTest() : ctx_(arena_, &tree_, source_, 2) {
    ll_tree_init(&tree_);
    ll_tree_bind_strings(&tree_, kNames, 12);
    ll_tree_bind_input(&tree_, source_.data(), static_cast<std::int32_t>(source_.size()));
  }
  ~StepsTest() override { ll_tree_free(&tree_); }

  ll_node_id str(std::int32_t start = 0, std::int32_t end = 1) { return ll_tree_add_string(&tree_, start, end); }
  ll_node_id named(Name name, ll_node_id child, std::int32_t start = 0, std::int32_t end = 1) {
    return ll_tree_add_node(&tree_, name, start, end, static_cast<std::int32_t>(child));
  }
  ll_node_id childless(Name name) { return ll_tree_add_node(&tree_, name, 0, 1, -1); }
  ll_node_id seq(std::initializer_list<ll_node_id> ids) {
    std::vector<ll_node_id> list(ids);
    return ll_tree_add_sequence(&tree_, list.data(), static_cast<std::uint32_t>(list.size()), 0, 1);
  }
  ll_node_id ident(std::int32_t start = 0, std::int32_t end = 1) {
    return named(kIdentifier, str(start, end), start, end);
  }
  ll_node_id componentType() { return named(kComponentType, str()); }
  // BusType over the given bindings: "(", name, "=", PortRef, ..., ")".
  ll_node_id busType(std::initializer_list<ll_node_id> refs) {
    std::vector<ll_node_id> list{str()};
    for (ll_node_id ref : refs) {
      list.push_back(ident());
      list.push_back(str());
      list.push_back(ref);
    }
    list.push_back(str());
    ll_node_id children = ll_tree_add_sequence(&tree_, list.data(), static_cast<std::uint32_t>(list.size()), 0, 1);
    return named(kBusType, children);
  }
  ll_node_id namedRef() { return named(kPortRef, ident()); }
  ll_node_id anonRef(ll_node_id bus) {
    ll_node_id anon = named(kAnonDecl, seq({componentType(), bus}));
    return named(kPortRef, seq({anon, str(), ident()}));
  }

  std::string source_ = "output xyz";
  TextArena arena_;
  ll_tree tree_;
  TranslationContext ctx_;
};

TEST_F(StepsTest, NamedNodeAndIdentifierGuards) {
  EXPECT_EQ(expectNamedNode(ctx_, str(), LL_NAME_IDENTIFIER).error(), Error::ExpectedNamedNode);
  EXPECT_EQ(expectNamedNode(ctx_, named(kOther, str()), LL_NAME_IDENTIFIER).error(), Error::UnexpectedNodeName);
  EXPECT_EQ(parseIdentifier(ctx_, childless(kIdentifier)).error(), Error::InvalidChild);
  EXPECT_EQ(parseIdentifier(ctx_, named(kIdentifier, ident())).error(), Error::ExpectedString);
  auto id = parseIdentifier(ctx_, ident(7, 10));
  ASSERT_TRUE(id.has_value());
  EXPECT_EQ(id->text, "xyz");
  EXPECT_EQ(id->span, (Span{2, 1, 8, 1, 11}));
  EXPECT_EQ(childAt(ctx_, seq({str(), str()}), 2).error(), Error::InvalidChildIndex);
  EXPECT_EQ(parseComponentTypeText(ctx_, named(kComponentType, seq({str(), str()}))).error(), Error::ExpectedString);
  EXPECT_EQ(parseComponentTypeText(ctx_, named(kComponentType, named(kOther, str()))).error(), Error::ExpectedString);
}

TEST_F(StepsTest, ProgramAndDeclarationGuards) {
  ast::File file;
  EXPECT_EQ(translateProgram(ctx_, named(kOther, str())).error(), Error::UnexpectedNodeName);
  EXPECT_EQ(translateProgram(ctx_, childless(kProgram)).error(), Error::InvalidChild);
  EXPECT_EQ(translateProgram(ctx_, named(kProgram, named(kConnection, str()))).error(), Error::InvalidProgram);
  EXPECT_EQ(translateProgram(ctx_, named(kProgram, str())).error(), Error::InvalidProgram);
  EXPECT_EQ(parseDeclaration(ctx_, named(kDeclaration, componentType()), file).error(), Error::InvalidDeclaration);
  EXPECT_EQ(parseDeclaration(ctx_, named(kDeclaration, seq({componentType(), ident(), str(), str()})), file).error(),
            Error::InvalidDeclaration);
  // An output with a bus type but no binding.
  ll_node_id out_type = named(kComponentType, str(0, 6));
  ll_node_id empty_bus = named(kBusType, seq({str(), str()}));
  EXPECT_EQ(parseDeclaration(ctx_, named(kDeclaration, seq({out_type, ident(), empty_bus})), file).error(),
            Error::InvalidOutputDecl);
  EXPECT_TRUE(file.outputs.empty());
}

TEST_F(StepsTest, ImportGuards) {
  EXPECT_EQ(parseImportDecl(ctx_, named(kImportDecl, str())).error(), Error::InvalidImportDecl);
  EXPECT_EQ(parseImportDecl(ctx_, named(kImportDecl, seq({str(), ident(), str()}))).error(), Error::InvalidImportDecl);
  EXPECT_EQ(parseImportDecl(ctx_, named(kImportDecl, seq({str(), ident(), str(), ident(), str()}))).error(),
            Error::InvalidImportDecl);
}

TEST_F(StepsTest, BusTypeGuards) {
  std::vector<ast::PortConnection> ports;
  EXPECT_EQ(parseBusType(ctx_, named(kBusType, str()), ports).error(), Error::InvalidBusType);
  // A name without "=" and a source after it.
  EXPECT_EQ(parseBusType(ctx_, named(kBusType, seq({str(), ident(), str()})), ports).error(), Error::InvalidBusType);
  EXPECT_EQ(parseBusType(ctx_, named(kBusType, seq({str(), ident(), ident(), namedRef(), str()})), ports).error(),
            Error::InvalidBusType);
  EXPECT_EQ(parseBusType(ctx_, named(kBusType, seq({str(), ident(), str(), ident(), str()})), ports).error(),
            Error::InvalidBusType);
}

TEST_F(StepsTest, PortRefAndAnonymousGuards) {
  EXPECT_EQ(parsePortRef(ctx_, named(kPortRef, str())).error(), Error::InvalidPortReference);
  EXPECT_EQ(parsePortRef(ctx_, named(kPortRef, seq({ident(), str()}))).error(), Error::InvalidPortReference);
  EXPECT_EQ(parsePortRef(ctx_, named(kPortRef, seq({str(), str(), ident()}))).error(), Error::InvalidPortReference);
  EXPECT_EQ(parsePortRef(ctx_, named(kPortRef, named(kAnonDecl, str()))).error(), Error::UnexpectedNodeName);
  ll_node_id three = named(kAnonDecl, seq({componentType(), busType({namedRef()}), str()}));
  EXPECT_EQ(parseAnonymousComponent(ctx_, three).error(), Error::InvalidAnonymousDeclaration);
  EXPECT_EQ(parseAnonymousComponent(ctx_, named(kAnonDecl, componentType())).error(),
            Error::InvalidAnonymousDeclaration);
}

TEST_F(StepsTest, FailureDeepInsideNestedInstancesFreesEverything) {
  // The first binding holds a long finished chain; the second binding is
  // broken, so the whole chain must be released (without recursion).
  ll_node_id chain = namedRef();
  for (int i = 0; i < 50000; ++i) chain = anonRef(busType({chain}));
  ll_node_id broken = named(kBusType, seq({str(), ident(), str(), chain, str(), ident(), str(), str(), str()}));
  std::vector<ast::PortConnection> ports;
  EXPECT_EQ(parseBusType(ctx_, broken, ports).error(), Error::InvalidBusType);
  ASSERT_EQ(ports.size(), 1u);
  ast::releaseNested(ports);
  EXPECT_FALSE(ports[0].value.anonymous);

  // The same chain translated whole: numbered inner first, freed by the file.
  TranslationContext fresh(arena_, &tree_, source_, 0);
  auto source = parsePortRef(fresh, chain);
  ASSERT_TRUE(source.has_value());
  EXPECT_EQ(source->anonymous->instance_name->text, "__anon_49999");
  EXPECT_EQ(fresh.anonymous_counter, 50000u);
  ast::File file;
  file.outputs.push_back(ast::OutputDecl{{}, std::move(*source), {}});
}

// Far deeper than any parse allows: a recursive destructor would overflow.
ast::File deepFile() {
  ast::File file;
  std::vector<ast::PortConnection>* ports = &file.components.emplace_back().ports;
  for (int i = 0; i < 200000; ++i) {
    ast::PortConnection& binding = ports->emplace_back();
    binding.value.tag = ast::SignalSource::Tag::anonymous;
    binding.value.anonymous = std::make_unique<ast::ComponentInstance>();
    ports = &binding.value.anonymous->ports;
  }
  ports->emplace_back().value.anonymous = std::make_unique<ast::ComponentInstance>();
  return file;
}

TEST(AstTest, FileFreesDeepChainsIteratively) {
  { ast::File destroyed = deepFile(); }
  ast::File assigned = deepFile();
  assigned = ast::File{};  // the old contents go the same way
  EXPECT_TRUE(assigned.components.empty());
}

}  // namespace
}  // namespace vorn::translate
