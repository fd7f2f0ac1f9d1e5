#include "contextmenu/registry_script.h"

#include <cctype>
#include <cstdlib>

namespace {

struct Token {
    std::string text;
    bool quoted = false;
    int line = 1;
};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool EqualsNoCase(const std::string& a, const char* b) {
    std::size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && b[i] == '\0';
}

class Parser {
public:
    Parser(const std::string& text, const RegistryReplacements& replacements)
        : m_text(text), m_replacements(replacements) {}

    bool Run(std::vector<RegistryScriptRoot>* roots, std::string* error) {
        if (!Tokenize()) return Fail(error);
        while (m_pos < m_tokens.size()) {
            RegistryScriptRoot root;
            const Token& name = m_tokens[m_pos++];
            if (name.quoted || !CanonicalRoot(name.text, &root.root)) {
                m_error = "unknown root key '" + name.text + "'";
                m_line = name.line;
                return Fail(error);
            }
            if (!Expect("{") || !ParseKeys(&root.keys, 1)) return Fail(error);
            if (!m_pendingValues.empty()) {
                m_error = "a value directly under the root key " + root.root;
                m_line = name.line;
                return Fail(error);
            }
            roots->push_back(std::move(root));
        }
        return true;
    }

private:
    bool Fail(std::string* error) {
        if (error) *error = "line " + std::to_string(m_line) + ": " + m_error;
        return false;
    }

    bool Tokenize() {
        int line = 1;
        std::size_t i = 0;
        while (i < m_text.size()) {
            const char c = m_text[i];
            if (c == '\n') ++line;
            if (IsSpace(c)) { ++i; continue; }
            Token token;
            token.line = line;
            if (c == '\'') {
                // A doubled quote stands for one quote inside a quoted text.
                token.quoted = true;
                ++i;
                for (;;) {
                    if (i >= m_text.size()) {
                        m_error = "unterminated quoted text";
                        m_line = token.line;
                        return false;
                    }
                    if (m_text[i] == '\'') {
                        if (i + 1 < m_text.size() && m_text[i + 1] == '\'') {
                            token.text += '\'';
                            i += 2;
                            continue;
                        }
                        ++i;
                        break;
                    }
                    if (m_text[i] == '\n') ++line;
                    token.text += m_text[i++];
                }
            } else {
                // As for the platform's registrar, tokens are separated by blanks:
                // a class identifier such as {9061A1F6-...} is a name, not a brace.
                while (i < m_text.size() && !IsSpace(m_text[i])) token.text += m_text[i++];
            }
            if (!Replace(&token)) return false;
            m_tokens.push_back(std::move(token));
        }
        return true;
    }

    // %NAME% becomes its replacement, %% one percent sign.
    bool Replace(Token* token) {
        std::string out;
        const std::string& in = token->text;
        for (std::size_t i = 0; i < in.size(); ++i) {
            if (in[i] != '%') { out += in[i]; continue; }
            const std::size_t end = in.find('%', i + 1);
            if (end == std::string::npos) {
                m_error = "unterminated placeholder";
                m_line = token->line;
                return false;
            }
            const std::string name = in.substr(i + 1, end - i - 1);
            if (name.empty()) {
                out += '%';
            } else {
                auto it = m_replacements.find(name);
                if (it == m_replacements.end()) {
                    m_error = "no replacement for %" + name + "%";
                    m_line = token->line;
                    return false;
                }
                out += it->second;
            }
            i = end;
        }
        token->text = out;
        return true;
    }

    static bool CanonicalRoot(const std::string& name, std::string* root) {
        static const char* const kRoots[][2] = {
            {"HKCR", "HKEY_CLASSES_ROOT"}, {"HKCU", "HKEY_CURRENT_USER"},
            {"HKLM", "HKEY_LOCAL_MACHINE"}, {"HKU", "HKEY_USERS"},
            {"HKPD", "HKEY_PERFORMANCE_DATA"}, {"HKDD", "HKEY_DYN_DATA"},
            {"HKCC", "HKEY_CURRENT_CONFIG"}};
        for (const auto& row : kRoots) {
            if (EqualsNoCase(name, row[0]) || EqualsNoCase(name, row[1])) {
                *root = row[1];
                return true;
            }
        }
        return false;
    }

    bool AtEnd() const { return m_pos >= m_tokens.size(); }

    bool Peek(const char* text) const {
        return !AtEnd() && !m_tokens[m_pos].quoted && m_tokens[m_pos].text == text;
    }

    bool Expect(const char* text) {
        if (Peek(text)) { ++m_pos; return true; }
        m_error = std::string("expected '") + text + "'";
        m_line = AtEnd() ? (m_tokens.empty() ? 1 : m_tokens.back().line) : m_tokens[m_pos].line;
        if (!AtEnd()) m_error += " before '" + m_tokens[m_pos].text + "'";
        return false;
    }

    bool Next(Token* token) {
        if (AtEnd()) {
            m_error = "unexpected end of script";
            m_line = m_tokens.empty() ? 1 : m_tokens.back().line;
            return false;
        }
        *token = m_tokens[m_pos++];
        return true;
    }

    // "= s 'text'" or "= d 'number'" (the '=' already read).
    bool ParseValue(RegistryScriptValue* value) {
        Token type, data;
        if (!Next(&type) || !Next(&data)) return false;
        if (type.quoted || type.text.size() != 1 || !data.quoted) {
            m_error = "expected a type letter and a quoted value";
            m_line = type.line;
            return false;
        }
        const char letter = char(std::tolower(static_cast<unsigned char>(type.text[0])));
        if (letter == 's') {
            value->type = 's';
            value->text = data.text;
            return true;
        }
        if (letter == 'd') {
            char* end = nullptr;
            const unsigned long number = std::strtoul(data.text.c_str(), &end, 0);
            if (data.text.empty() || *end != '\0' || number > 0xFFFFFFFFul) {
                m_error = "bad number '" + data.text + "'";
                m_line = data.line;
                return false;
            }
            value->type = 'd';
            value->number = std::uint32_t(number);
            return true;
        }
        m_error = "unsupported value type '" + type.text + "'";
        m_line = type.line;
        return false;
    }

    // Keys and values up to the closing brace of the enclosing block.
    bool ParseKeys(std::vector<RegistryScriptKey>* keys, int depth) {
        if (depth > 32) {
            m_error = "keys nested too deeply";
            return false;
        }
        for (;;) {
            if (Peek("}")) { ++m_pos; return true; }
            Token token;
            if (!Next(&token)) return false;
            RegistryScriptKey key;
            if (!token.quoted) {
                if (EqualsNoCase(token.text, "NoRemove")) key.flag = RegistryKeyFlag::kNoRemove;
                else if (EqualsNoCase(token.text, "ForceRemove")) key.flag = RegistryKeyFlag::kForceRemove;
                else if (EqualsNoCase(token.text, "Delete")) key.flag = RegistryKeyFlag::kDelete;
                if (key.flag != RegistryKeyFlag::kNone && !Next(&token)) return false;
            }
            if (!token.quoted && (token.text == "{" || token.text == "}" || token.text == "=")) {
                m_error = "expected a key name before '" + token.text + "'";
                m_line = token.line;
                return false;
            }
            if (!token.quoted && key.flag == RegistryKeyFlag::kNone && EqualsNoCase(token.text, "val")) {
                // A named value of the enclosing key: handed back through the caller.
                Token name;
                if (!Next(&name) || !Expect("=")) return false;
                RegistryScriptValue value;
                if (!ParseValue(&value)) return false;
                m_pendingValues.emplace_back(name.text, value);
                continue;
            }
            key.name = token.text;
            if (Peek("=")) {
                ++m_pos;
                key.hasDefault = true;
                if (!ParseValue(&key.defaultValue)) return false;
            }
            if (Peek("{")) {
                ++m_pos;
                auto outerValues = std::move(m_pendingValues);
                m_pendingValues.clear();
                if (!ParseKeys(&key.children, depth + 1)) return false;
                key.values = std::move(m_pendingValues);
                m_pendingValues = std::move(outerValues);
            }
            keys->push_back(std::move(key));
        }
    }

    const std::string& m_text;
    const RegistryReplacements& m_replacements;
    std::vector<Token> m_tokens;
    std::size_t m_pos = 0;
    std::vector<std::pair<std::string, RegistryScriptValue>> m_pendingValues;
    std::string m_error;
    int m_line = 1;
};

}  // namespace

bool ParseRegistryScript(const std::string& text, const RegistryReplacements& replacements,
                         std::vector<RegistryScriptRoot>* roots, std::string* error) {
    std::vector<RegistryScriptRoot> parsed;
    Parser parser(text, replacements);
    if (!parser.Run(&parsed, error)) return false;
    *roots = std::move(parsed);
    return true;
}
