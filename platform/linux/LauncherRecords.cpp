#include "platform/linux/LauncherRecords.h"

#include "platform/linux/ReadAll.h"

#include <nlohmann/json.hpp>
#include <yaml-cpp/eventhandler.h>
#include <yaml-cpp/exceptions.h>
#include <yaml-cpp/mark.h>
#include <yaml-cpp/parser.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace platform::records {
namespace {

// The records are a few kilobytes (Steam's config.vdf a few hundred); anything much larger
// is not one of them.
constexpr size_t kMaxFileSize = size_t(1) << 20;
// Steam's files nest five or six levels deep, the others less.
constexpr size_t kMaxDepth = 64;
// Nodes and text of one tree, copies of YAML aliases included.
constexpr size_t kMaxNodes = 200000;
constexpr size_t kMaxText = size_t(16) << 20;

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Builds a tree from a parser's events with an explicit stack, so that no input nests our
// own calls, and keeps the tree within the limits; once over them it only says so.
class TreeBuilder {
public:
    bool failed() const { return m_failed; }
    void fail() { m_failed = true; }

    // The tree, when exactly one value was given and every container closed.
    std::optional<Node> take() {
        if (m_failed || !m_root || !m_stack.empty())
            return std::nullopt;
        return std::move(*m_root);
    }

    // A map's next key (JSON gives keys as keys).
    void key(std::string text) {
        if (m_failed || m_stack.empty() || m_stack.back().node.kind != Node::Map || m_stack.back().hasKey)
            return fail();
        if (!count(0, text.size()))
            return;
        m_stack.back().key = std::move(text);
        m_stack.back().hasKey = true;
    }

    // A scalar or null; returns what was added, for an anchor to keep.
    const Node* value(Node node, size_t nodes = 1, size_t textBytes = 0) {
        if (m_failed || !count(nodes, textBytes))
            return nullptr;
        return place(std::move(node));
    }

    void open(Node::Kind kind) {
        if (m_failed || !count(1, 0))
            return;
        if (m_stack.size() >= kMaxDepth)
            return fail();
        Frame frame;
        frame.node.kind = kind;
        m_stack.push_back(std::move(frame));
    }

    // Closes the innermost container; returns it where it was placed.
    const Node* close(Node::Kind kind) {
        if (m_failed)
            return nullptr;
        if (m_stack.empty() || m_stack.back().node.kind != kind || m_stack.back().hasKey) {
            fail();
            return nullptr;
        }
        Node node = std::move(m_stack.back().node);
        m_stack.pop_back();
        return place(std::move(node));
    }

    // Counts what is kept beside the tree (a YAML anchor's copy); false once over the limits.
    bool spend(size_t nodes, size_t textBytes) { return !m_failed && count(nodes, textBytes); }

    // Whether the innermost container is a map waiting for a key (YAML gives keys as values).
    bool awaitingKey() const {
        return !m_stack.empty() && m_stack.back().node.kind == Node::Map && !m_stack.back().hasKey;
    }

private:
    struct Frame {
        Node node;
        std::string key;
        bool hasKey = false;
    };

    bool count(size_t nodes, size_t textBytes) {
        m_nodes += nodes;
        m_text += textBytes;
        if (m_nodes > kMaxNodes || m_text > kMaxText)
            fail();
        return !m_failed;
    }

    const Node* place(Node node) {
        if (m_stack.empty()) {
            if (m_root) {
                fail();
                return nullptr;
            }
            m_root = std::move(node);
            return &*m_root;
        }
        Frame& top = m_stack.back();
        if (top.node.kind == Node::Map) {
            if (!top.hasKey) {
                // YAML: a scalar in a key's place is the key; anything else as a key is
                // no record of ours.
                if (node.kind == Node::Scalar || node.kind == Node::Null) {
                    top.key = std::move(node.text);
                    top.hasKey = true;
                    return nullptr;
                }
                fail();
                return nullptr;
            }
            top.node.keys.push_back(std::move(top.key));
            top.key.clear();
            top.hasKey = false;
        }
        top.node.items.push_back(std::move(node));
        return &top.node.items.back();
    }

    std::vector<Frame> m_stack;
    std::optional<Node> m_root;
    size_t m_nodes = 0;
    size_t m_text = 0;
    bool m_failed = false;
};

// Nodes and text bytes of a tree, to count a copy of it.
void measure(const Node& node, size_t& nodes, size_t& text) {
    // Iterative: an anchored tree is as deep as any.
    std::vector<const Node*> pending{&node};
    while (!pending.empty()) {
        const Node* n = pending.back();
        pending.pop_back();
        ++nodes;
        text += n->text.size();
        for (const std::string& key : n->keys)
            text += key.size();
        for (const Node& item : n->items)
            pending.push_back(&item);
    }
}

// ---- YAML -------------------------------------------------------------------------------

class YamlTree : public YAML::EventHandler {
public:
    std::optional<Node> take() { return m_tree.take(); }

    void OnDocumentStart(const YAML::Mark&) override {}
    void OnDocumentEnd() override {}

    void OnNull(const YAML::Mark&, YAML::anchor_t anchor) override { keep(anchor, m_tree.value(Node{})); }

    void OnAlias(const YAML::Mark&, YAML::anchor_t anchor) override {
        const auto found = m_anchors.find(anchor);
        // An alias of a node still open (its own ancestor) stands for nothing here.
        if (found == m_anchors.end()) {
            m_tree.value(Node{});
            return;
        }
        m_tree.value(found->second.node, found->second.nodes, found->second.text);
    }

    void OnScalar(const YAML::Mark&, const std::string&, YAML::anchor_t anchor,
                  const std::string& value) override {
        Node node;
        node.kind = Node::Scalar;
        node.text = value;
        keep(anchor, m_tree.value(std::move(node), 1, value.size()));
    }

    void OnSequenceStart(const YAML::Mark&, const std::string&, YAML::anchor_t anchor,
                         YAML::EmitterStyle::value) override {
        open(Node::List, anchor);
    }
    void OnSequenceEnd() override { close(Node::List); }

    void OnMapStart(const YAML::Mark&, const std::string&, YAML::anchor_t anchor,
                    YAML::EmitterStyle::value) override {
        open(Node::Map, anchor);
    }
    void OnMapEnd() override { close(Node::Map); }

private:
    struct Anchored {
        Node node;
        size_t nodes = 0;
        size_t text = 0;
    };

    void open(Node::Kind kind, YAML::anchor_t anchor) {
        m_openAnchors.push_back(anchor);
        m_tree.open(kind);
    }
    void close(Node::Kind kind) {
        YAML::anchor_t anchor = 0;
        if (!m_openAnchors.empty()) {
            anchor = m_openAnchors.back();
            m_openAnchors.pop_back();
        }
        keep(anchor, m_tree.close(kind));
    }

    // Keeps a copy of an anchored node for its aliases; the copy counts against the limits
    // as much as what it copies. (An anchored key is placed nowhere and is not kept.)
    void keep(YAML::anchor_t anchor, const Node* node) {
        if (anchor == 0 || !node)
            return;
        Anchored copy;
        measure(*node, copy.nodes, copy.text);
        if (!m_tree.spend(copy.nodes, copy.text))
            return;
        copy.node = *node;
        m_anchors[anchor] = std::move(copy);
    }

    TreeBuilder m_tree;
    std::map<YAML::anchor_t, Anchored> m_anchors;
    std::vector<YAML::anchor_t> m_openAnchors;
};

// ---- JSON -------------------------------------------------------------------------------

class JsonTree : public nlohmann::json_sax<nlohmann::json> {
public:
    std::optional<Node> take() { return m_tree.take(); }

    bool null() override { return scalar(Node::Null, {}); }
    bool boolean(bool value) override { return scalar(Node::Scalar, value ? "true" : "false"); }
    bool number_integer(number_integer_t value) override {
        return scalar(Node::Scalar, std::to_string(value));
    }
    bool number_unsigned(number_unsigned_t value) override {
        return scalar(Node::Scalar, std::to_string(value));
    }
    bool number_float(number_float_t, const string_t& written) override {
        return scalar(Node::Scalar, written);
    }
    bool string(string_t& value) override { return scalar(Node::Scalar, std::move(value)); }
    bool binary(binary_t&) override {
        m_tree.fail();
        return false;
    }
    bool start_object(std::size_t) override {
        m_tree.open(Node::Map);
        return !m_tree.failed();
    }
    bool key(string_t& value) override {
        m_tree.key(std::move(value));
        return !m_tree.failed();
    }
    bool end_object() override {
        m_tree.close(Node::Map);
        return !m_tree.failed();
    }
    bool start_array(std::size_t) override {
        m_tree.open(Node::List);
        return !m_tree.failed();
    }
    bool end_array() override {
        m_tree.close(Node::List);
        return !m_tree.failed();
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        m_tree.fail();
        return false;
    }

private:
    bool scalar(Node::Kind kind, std::string text) {
        // A value in a key's place cannot come from the parser; a map's values need their key.
        if (m_tree.awaitingKey()) {
            m_tree.fail();
            return false;
        }
        Node node;
        node.kind = kind;
        const size_t size = text.size();
        node.text = std::move(text);
        m_tree.value(std::move(node), 1, size);
        return !m_tree.failed();
    }

    TreeBuilder m_tree;
};

// ---- Valve's KeyValues text --------------------------------------------------------------

class KeyValuesReader {
public:
    explicit KeyValuesReader(std::string_view text) : m_text(text) {}

    std::optional<Node> read() {
        m_tree.open(Node::Map);
        if (!readList(0))
            return std::nullopt;
        Token t;
        if (!next(t) || t.kind != Token::End)
            return std::nullopt;
        m_tree.close(Node::Map);
        return m_tree.take();
    }

private:
    struct Token {
        enum Kind { End, Text, Open, Close, Bad } kind = End;
        std::string text;
    };

    bool next(Token& t) {
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos];
            if (std::isspace(static_cast<unsigned char>(c))) {
                ++m_pos;
            } else if (m_text.substr(m_pos, 2) == "//") {
                const size_t end = m_text.find('\n', m_pos);
                m_pos = end == std::string_view::npos ? m_text.size() : end + 1;
            } else {
                break;
            }
        }
        t.text.clear();
        if (m_pos >= m_text.size()) {
            t.kind = Token::End;
            return true;
        }
        const char c = m_text[m_pos];
        if (c == '{' || c == '}') {
            t.kind = c == '{' ? Token::Open : Token::Close;
            ++m_pos;
            return true;
        }
        if (c == '"') {
            ++m_pos;
            while (m_pos < m_text.size() && m_text[m_pos] != '"') {
                char ch = m_text[m_pos++];
                if (ch == '\\' && m_pos < m_text.size()) {
                    const char escaped = m_text[m_pos++];
                    ch = escaped == 'n' ? '\n' : escaped == 't' ? '\t' : escaped;
                }
                t.text += ch;
            }
            if (m_pos >= m_text.size()) {
                t.kind = Token::Bad; // unterminated
                return false;
            }
            ++m_pos;
            t.kind = Token::Text;
            return true;
        }
        while (m_pos < m_text.size() && !std::isspace(static_cast<unsigned char>(m_text[m_pos])) &&
               m_text[m_pos] != '{' && m_text[m_pos] != '}' && m_text[m_pos] != '"')
            t.text += m_text[m_pos++];
        t.kind = Token::Text;
        return true;
    }

    // Entries up to the closing brace (or the end at the top level), into the map the
    // builder has open. Each level is one call: the builder's depth limit ends the nesting
    // long before the stack would.
    bool readList(size_t depth) {
        while (true) {
            const size_t before = m_pos;
            Token key;
            if (!next(key))
                return false;
            if (key.kind == Token::End || key.kind == Token::Close) {
                m_pos = before; // the caller takes the end or the brace
                return true;
            }
            if (key.kind != Token::Text)
                return false;
            Token value;
            if (!next(value))
                return false;
            m_tree.key(std::move(key.text));
            if (value.kind == Token::Text) {
                Node node;
                node.kind = Node::Scalar;
                const size_t size = value.text.size();
                node.text = std::move(value.text);
                m_tree.value(std::move(node), 1, size);
                skipCondition();
            } else if (value.kind == Token::Open) {
                m_tree.open(Node::Map);
                if (m_tree.failed() || depth + 1 >= kMaxDepth || !readList(depth + 1))
                    return false;
                Token close;
                if (!next(close) || close.kind != Token::Close)
                    return false;
                m_tree.close(Node::Map);
            } else {
                return false;
            }
            if (m_tree.failed())
                return false;
        }
    }

    // A platform condition after a value ("[$WIN32]") says nothing here.
    void skipCondition() {
        const size_t before = m_pos;
        Token t;
        if (next(t) && t.kind == Token::Text && t.text.size() >= 2 && t.text.front() == '[' &&
            t.text.back() == ']')
            return;
        m_pos = before;
    }

    std::string_view m_text;
    size_t m_pos = 0;
    TreeBuilder m_tree;
};

} // namespace

const Node* Node::member(std::string_view key) const {
    if (kind != Map)
        return nullptr;
    for (size_t i = 0; i < keys.size(); ++i)
        if (keys[i] == key)
            return &items[i];
    return nullptr;
}

const Node* Node::memberIgnoringCase(std::string_view key) const {
    if (kind != Map)
        return nullptr;
    for (size_t i = 0; i < keys.size(); ++i)
        if (equalIgnoringCase(keys[i], key))
            return &items[i];
    return nullptr;
}

std::string Node::scalarOf(std::string_view key) const {
    const Node* value = member(key);
    return value && value->kind == Scalar ? value->text : std::string();
}

std::optional<std::string> readRecordFile(const fs::path& file) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    std::optional<std::string> text;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<size_t>(st.st_size) <= kMaxFileSize) {
        std::string bytes;
        // Text files only: a NUL says it is something else.
        if (readAll(fd, kMaxFileSize, bytes) && bytes.size() <= kMaxFileSize &&
            bytes.find('\0') == std::string::npos)
            text = std::move(bytes);
    }
    ::close(fd);
    return text;
}

std::optional<Node> parseKeyValues(std::string_view text) {
    return KeyValuesReader(text).read();
}

std::optional<Node> parseYaml(std::string_view text) {
    try {
        std::istringstream in{std::string(text)};
        YAML::Parser parser(in);
        YamlTree tree;
        if (!parser.HandleNextDocument(tree))
            return std::nullopt;
        return tree.take();
    } catch (...) {
        // yaml-cpp says what it cannot parse by throwing (ParserException, its depth guard,
        // bad_alloc): to the caller that is simply no record.
        return std::nullopt;
    }
}

std::optional<Node> parseJson(std::string_view text) {
    try {
        JsonTree tree;
        if (!nlohmann::json::sax_parse(text.begin(), text.end(), &tree, nlohmann::json::input_format_t::json,
                                       true))
            return std::nullopt;
        return tree.take();
    } catch (...) {
        return std::nullopt;
    }
}

std::optional<Node> readKeyValues(const fs::path& file) {
    const auto text = readRecordFile(file);
    return text ? parseKeyValues(*text) : std::nullopt;
}

std::optional<Node> readYaml(const fs::path& file) {
    const auto text = readRecordFile(file);
    return text ? parseYaml(*text) : std::nullopt;
}

std::optional<Node> readJson(const fs::path& file) {
    const auto text = readRecordFile(file);
    return text ? parseJson(*text) : std::nullopt;
}

} // namespace platform::records
