// The key-value text reader: a tokenizer over the text and a recursive block reader that
// stops descending at kVdfMaxDepth.
#include "game/vdf.h"
#include "common/text8.h"

#include <optional>

namespace vestura {

namespace {

using text8::equalsIgnoringCase;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

struct Token {
    enum Kind { String, Open, Close, Condition, End } kind = End;
    std::string text;
};

class Tokenizer {
public:
    explicit Tokenizer(std::string_view text) : text_(text) {}

    Token next() {
        skipSpaceAndComments();
        if (pos_ >= text_.size()) {
            return {Token::End, {}};
        }
        const char c = text_[pos_];
        if (c == '{' || c == '}') {
            ++pos_;
            return {c == '{' ? Token::Open : Token::Close, {}};
        }
        if (c == '"') {
            return {Token::String, quoted()};
        }
        std::string bare = unquoted();
        const bool condition = bare.size() >= 2 && bare.front() == '[' && bare.back() == ']';
        return {condition ? Token::Condition : Token::String, std::move(bare)};
    }

private:
    void skipSpaceAndComments() {
        while (pos_ < text_.size()) {
            if (isSpace(text_[pos_])) {
                ++pos_;
            } else if (text_.substr(pos_, 2) == "//") {
                const std::size_t end = text_.find('\n', pos_);
                pos_ = end == std::string_view::npos ? text_.size() : end + 1;
            } else {
                return;
            }
        }
    }

    // A quoted string up to its closing quote (or the end of the text). \n, \t, \\ and \"
    // stand for their characters; any other backslash is kept as written, so an unescaped
    // Windows path reads as it looks.
    std::string quoted() {
        std::string out;
        ++pos_;
        while (pos_ < text_.size() && text_[pos_] != '"') {
            const char c = text_[pos_++];
            if (c != '\\' || pos_ >= text_.size()) {
                out.push_back(c);
                continue;
            }
            switch (const char e = text_[pos_]) {
                case 'n':
                    out.push_back('\n');
                    ++pos_;
                    break;
                case 't':
                    out.push_back('\t');
                    ++pos_;
                    break;
                case '\\':
                case '"':
                    out.push_back(e);
                    ++pos_;
                    break;
                default:
                    out.push_back('\\');
            }
        }
        ++pos_;  // the closing quote, or past the end
        return out;
    }

    std::string unquoted() {
        const std::size_t start = pos_;
        while (pos_ < text_.size() && !isSpace(text_[pos_]) && text_[pos_] != '"' &&
               text_[pos_] != '{' && text_[pos_] != '}') {
            ++pos_;
        }
        return std::string(text_.substr(start, pos_ - start));
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

class Parser {
public:
    explicit Parser(std::string_view text) : tokens_(text) {}

    // Reads entries into `block` until its closing brace or the end of the text. A block
    // nested deeper than kVdfMaxDepth is skipped by counting braces, without recursion, so
    // a hostile file cannot exhaust the stack.
    void readBlock(VdfNode& block, int depth) {
        for (;;) {
            Token key = take();
            if (key.kind == Token::End || key.kind == Token::Close) {
                return;
            }
            if (key.kind != Token::String) {
                continue;  // a stray brace or condition
            }
            Token value = take();
            if (value.kind == Token::Condition) {
                value = take();
            }
            VdfNode entry;
            entry.key = std::move(key.text);
            if (value.kind == Token::Open && depth + 1 >= kVdfMaxDepth) {
                skipBlock();
                continue;
            }
            if (value.kind == Token::Open) {
                entry.block = true;
                readBlock(entry, depth + 1);
            } else if (value.kind == Token::String) {
                entry.value = std::move(value.text);
                skipCondition();
            } else {
                return;  // a key without its value: the end or the block's close
            }
            block.children.push_back(std::move(entry));
        }
    }

private:
    void skipBlock() {
        for (int open = 1; open > 0;) {
            const Token token = take();
            if (token.kind == Token::End) {
                return;
            }
            open += token.kind == Token::Open ? 1 : token.kind == Token::Close ? -1 : 0;
        }
    }

    Token take() {
        if (pending_) {
            Token token = std::move(*pending_);
            pending_.reset();
            return token;
        }
        return tokens_.next();
    }
    void skipCondition() {
        Token token = take();
        if (token.kind != Token::Condition) {
            pending_ = std::move(token);
        }
    }

    Tokenizer tokens_;
    std::optional<Token> pending_;
};

}  // namespace

const VdfNode* VdfNode::child(std::string_view name) const {
    for (const VdfNode& entry : children) {
        if (equalsIgnoringCase(entry.key, name)) {
            return &entry;
        }
    }
    return nullptr;
}

VdfNode parseVdf(std::string_view text) {
    VdfNode root;
    root.block = true;
    Parser(text).readBlock(root, 0);
    return root;
}

}  // namespace vestura
