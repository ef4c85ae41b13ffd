// Build-time converter: reads the VERSIONINFO resource of a resource script
// and writes a C++ source that holds the compiled VS_VERSIONINFO block and
// registers it as the module's resource table, so that the module finds its
// version information through the platform's resource and version calls as a
// Windows module finds the block that the resource compiler put into it.
//
//   rc_convert <script.rc> <output.cpp>
//
// The script language understood is the part a version resource uses: line
// comments, simple #define text macros, "<id> VERSIONINFO", the fixed
// statements (FILEVERSION, PRODUCTVERSION, FILEFLAGSMASK, FILEFLAGS, FILEOS,
// FILETYPE, FILESUBTYPE), BEGIN/END or braces, BLOCK "name" and
// VALUE "key", "text" | number, ... (numbers are 16-bit unless they end in L).
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Token {
    enum Kind { Word, Number, Text, Comma, End } kind;
    std::string text;
    uint32_t number = 0;
    bool wide = false; // a number with an L suffix
    int line = 0;
};

[[noreturn]] void Fail(int line, const std::string& why) {
    std::fprintf(stderr, "rc_convert: line %d: %s\n", line, why.c_str());
    std::exit(1);
}

// Splits the script into tokens, with #define macros replaced by their text.
std::vector<Token> Tokenize(const std::string& script) {
    std::map<std::string, std::string> macros;
    std::vector<Token> out;
    std::istringstream lines(script);
    std::string line;
    int number = 0;
    std::vector<std::pair<std::string, int>> pending; // text still to scan
    while (std::getline(lines, line)) {
        ++number;
        size_t first = line.find_first_not_of(" \t\r");
        if (first != std::string::npos && line[first] == '#') {
            std::istringstream directive(line.substr(first + 1));
            std::string word, name, rest;
            directive >> word;
            if (word == "define") {
                directive >> name;
                std::getline(directive, rest);
                macros[name] = rest;
            }
            continue; // #include and the others have no bearing on the block
        }
        pending.emplace_back(line, number);
    }
    for (size_t p = 0; p < pending.size(); ++p) {
        const std::string text = pending[p].first; // a copy: a macro grows the list
        int at = pending[p].second;
        size_t i = 0;
        while (i < text.size()) {
            char c = text[i];
            if (c == ' ' || c == '\t' || c == '\r') {
                ++i;
            } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
                break;
            } else if (c == ',') {
                out.push_back({Token::Comma, ",", 0, false, at});
                ++i;
            } else if (c == '{' || c == '}') {
                out.push_back({Token::Word, c == '{' ? "BEGIN" : "END", 0, false, at});
                ++i;
            } else if (c == '"') {
                std::string value;
                ++i;
                for (;;) {
                    if (i >= text.size()) Fail(at, "unterminated string");
                    if (text[i] == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                        value += '"';
                        i += 2;
                    } else if (text[i] == '"') {
                        ++i;
                        break;
                    } else if (text[i] == '\\' && i + 1 < text.size()) {
                        char e = text[i + 1];
                        value += e == 'n' ? '\n' : e == 't' ? '\t' : e == '0' ? '\0' : e;
                        i += 2;
                    } else {
                        value += text[i++];
                    }
                }
                out.push_back({Token::Text, value, 0, false, at});
            } else if (std::isdigit(static_cast<unsigned char>(c))) {
                size_t end = i;
                while (end < text.size() && std::isalnum(static_cast<unsigned char>(text[end]))) ++end;
                std::string digits = text.substr(i, end - i);
                bool wide = !digits.empty() && (digits.back() == 'L' || digits.back() == 'l');
                if (wide) digits.pop_back();
                char* stop = nullptr;
                unsigned long value = std::strtoul(digits.c_str(), &stop, 0);
                if (*stop || value > 0xFFFFFFFFul) Fail(at, "bad number " + digits);
                out.push_back({Token::Number, digits, static_cast<uint32_t>(value), wide, at});
                i = end;
            } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
                size_t end = i;
                while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_'))
                    ++end;
                std::string word = text.substr(i, end - i);
                auto macro = macros.find(word);
                if (macro != macros.end()) {
                    // Scan the macro's text in place of the word.
                    pending.insert(pending.begin() + static_cast<long>(p) + 1,
                                   {macro->second + text.substr(end), at});
                    i = text.size();
                    break;
                }
                out.push_back({Token::Word, word, 0, false, at});
                i = end;
            } else {
                Fail(at, std::string("unexpected character '") + c + "'");
            }
        }
    }
    out.push_back({Token::End, "", 0, false, number});
    return out;
}

struct Node {
    std::string key;
    uint16_t type = 1;          // 1 text, 0 binary
    std::vector<uint8_t> value; // bytes as stored
    uint16_t valueLength = 0;   // characters for text, bytes for binary
    std::vector<std::unique_ptr<Node>> children;
};

class Parser {
public:
    explicit Parser(std::vector<Token> tokens) : tokens(std::move(tokens)) {}

    // The VERSIONINFO resource: its number and its root node.
    std::unique_ptr<Node> VersionInfo(uint16_t* id) {
        while (Peek().kind != Token::End) {
            if (Peek().kind == Token::Number && tokens[at + 1].kind == Token::Word &&
                tokens[at + 1].text == "VERSIONINFO") {
                *id = static_cast<uint16_t>(Next().number);
                Next();
                return Root();
            }
            Next();
        }
        Fail(Peek().line, "no VERSIONINFO resource");
    }

private:
    std::vector<Token> tokens;
    size_t at = 0;

    const Token& Peek() const { return tokens[at]; }
    const Token& Next() {
        const Token& t = tokens[at];
        if (t.kind != Token::End) ++at;
        return t;
    }
    uint32_t NumberArg() {
        const Token& t = Next();
        if (t.kind != Token::Number) Fail(t.line, "number expected");
        return t.number;
    }
    void Expect(const char* word) {
        const Token& t = Next();
        if (t.kind != Token::Word || t.text != word) Fail(t.line, std::string(word) + " expected");
    }

    static void PutDword(std::vector<uint8_t>& bytes, uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }

    std::unique_ptr<Node> Root() {
        uint32_t fixed[13] = {0xFEEF04BDu, 0x00010000u, 0, 0, 0, 0, 0x3Fu, 0, 0x4u, 0, 0, 0, 0};
        while (Peek().kind == Token::Word && Peek().text != "BEGIN") {
            std::string statement = Next().text;
            if (statement == "FILEVERSION" || statement == "PRODUCTVERSION") {
                uint32_t part[4] = {};
                for (int i = 0; i < 4; ++i) {
                    part[i] = NumberArg();
                    if (i < 3 && Peek().kind == Token::Comma) Next();
                }
                int slot = statement == "FILEVERSION" ? 2 : 4;
                fixed[slot] = (part[0] << 16) | (part[1] & 0xFFFF);
                fixed[slot + 1] = (part[2] << 16) | (part[3] & 0xFFFF);
            } else if (statement == "FILEFLAGSMASK") {
                fixed[6] = NumberArg();
            } else if (statement == "FILEFLAGS") {
                fixed[7] = NumberArg();
            } else if (statement == "FILEOS") {
                fixed[8] = NumberArg();
            } else if (statement == "FILETYPE") {
                fixed[9] = NumberArg();
            } else if (statement == "FILESUBTYPE") {
                fixed[10] = NumberArg();
            } else {
                Fail(tokens[at - 1].line, "unknown statement " + statement);
            }
        }
        auto root = std::make_unique<Node>();
        root->key = "VS_VERSION_INFO";
        root->type = 0;
        for (uint32_t v : fixed) PutDword(root->value, v);
        root->valueLength = static_cast<uint16_t>(root->value.size());
        Children(*root);
        return root;
    }

    // BEGIN { BLOCK "key" children | VALUE "key", values } END
    void Children(Node& parent) {
        Expect("BEGIN");
        for (;;) {
            const Token& t = Next();
            if (t.kind == Token::Word && t.text == "END") return;
            if (t.kind != Token::Word || (t.text != "BLOCK" && t.text != "VALUE"))
                Fail(t.line, "BLOCK, VALUE or END expected");
            const Token& key = Next();
            if (key.kind != Token::Text) Fail(key.line, "quoted key expected");
            auto node = std::make_unique<Node>();
            node->key = key.text;
            if (t.text == "BLOCK") {
                Children(*node);
            } else {
                Values(*node);
            }
            parent.children.push_back(std::move(node));
        }
    }

    void Values(Node& node) {
        bool text = false, binary = false;
        while (Peek().kind == Token::Comma) {
            Next();
            const Token& v = Next();
            if (v.kind == Token::Text) {
                text = true;
                for (unsigned char c : v.text) { // the script is Latin-1
                    node.value.push_back(c);
                    node.value.push_back(0);
                }
            } else if (v.kind == Token::Number) {
                binary = true;
                node.value.push_back(static_cast<uint8_t>(v.number));
                node.value.push_back(static_cast<uint8_t>(v.number >> 8));
                if (v.wide) {
                    node.value.push_back(static_cast<uint8_t>(v.number >> 16));
                    node.value.push_back(static_cast<uint8_t>(v.number >> 24));
                }
            } else {
                Fail(v.line, "value expected");
            }
        }
        if (text && binary) Fail(Peek().line, "a value mixes text and numbers");
        if (text) {
            node.value.push_back(0);
            node.value.push_back(0);
            node.type = 1;
            node.valueLength = static_cast<uint16_t>(node.value.size() / 2);
        } else {
            node.type = 0;
            node.valueLength = static_cast<uint16_t>(node.value.size());
        }
    }
};

void Pad(std::vector<uint8_t>& out) {
    while (out.size() % 4) out.push_back(0);
}

void Write(const Node& node, std::vector<uint8_t>& out) {
    Pad(out);
    size_t begin = out.size();
    out.resize(begin + 6);
    for (unsigned char c : node.key) {
        out.push_back(c);
        out.push_back(0);
    }
    out.push_back(0);
    out.push_back(0);
    Pad(out);
    out.insert(out.end(), node.value.begin(), node.value.end());
    for (const auto& child : node.children) Write(*child, out);
    size_t length = out.size() - begin;
    if (length > 0xFFFF) Fail(0, "version block too large");
    uint16_t header[3] = {static_cast<uint16_t>(length), node.valueLength, node.type};
    for (int i = 0; i < 3; ++i) {
        out[begin + 2 * i] = static_cast<uint8_t>(header[i]);
        out[begin + 2 * i + 1] = static_cast<uint8_t>(header[i] >> 8);
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: rc_convert <script.rc> <output.cpp>\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "rc_convert: cannot read %s\n", argv[1]);
        return 1;
    }
    std::stringstream script;
    script << in.rdbuf();
    Parser parser(Tokenize(script.str()));
    uint16_t id = 0;
    std::unique_ptr<Node> root = parser.VersionInfo(&id);
    std::vector<uint8_t> block;
    Write(*root, block);

    std::ostringstream cpp;
    cpp << "// Generated by rc_convert from " << argv[1] << ": do not edit.\n"
        << "// The module's resource table: its VS_VERSIONINFO block, registered with\n"
        << "// the platform when the module is loaded.\n"
        << "#include \"platform/win_module.h\"\n\nnamespace {\n"
        << "alignas(4) const unsigned char VersionBlock[" << block.size() << "] = {";
    for (size_t i = 0; i < block.size(); ++i) {
        cpp << (i % 16 ? " " : "\n    ") << static_cast<int>(block[i]) << ",";
    }
    cpp << "\n};\n\n"
        << "const PlatformResource ModuleResources[] = {\n"
        << "    {16, nullptr, " << id << ", nullptr, 0x0409, VersionBlock, sizeof VersionBlock},\n"
        << "};\n\n"
        << "struct ResourceRegistration {\n"
        << "    ResourceRegistration() { PlatformRegisterResources(ModuleResources, ModuleResources, 1); }\n"
        << "    ~ResourceRegistration() { PlatformUnregisterResources(ModuleResources); }\n"
        << "} registration;\n"
        << "} // namespace\n";
    std::ofstream out(argv[2], std::ios::binary);
    out << cpp.str();
    if (!out) {
        std::fprintf(stderr, "rc_convert: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
