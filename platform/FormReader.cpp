#include "platform/FormReader.h"

namespace {

// Deeper nesting than this is no form of ours; it also bounds the recursion.
const int kMaxDepth = 16;

bool IsIdentStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsIdentChar(char c)
{
    return IsIdentStart(c) || (c >= '0' && c <= '9');
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// One line of the text, read from left to right.
class TLineCursor {
public:
    TLineCursor(const char* begin, const char* end, int line) : p_(begin), end_(end), line_(line) {}

    int Line() const { return line_; }
    bool AtEnd()
    {
        SkipBlanks();
        return p_ == end_;
    }
    bool Take(char c)
    {
        SkipBlanks();
        if (p_ != end_ && *p_ == c) {
            ++p_;
            return true;
        }
        return false;
    }
    void Expect(char c, const char* what)
    {
        if (!Take(c))
            throw FormError(line_, AnsiString(what) + " がありません");
    }
    AnsiString Identifier()
    {
        SkipBlanks();
        const char* start = p_;
        if (p_ == end_ || !IsIdentStart(*p_))
            throw FormError(line_, "名前がありません");
        while (p_ != end_ && IsIdentChar(*p_))
            ++p_;
        return AnsiString(start, static_cast<int>(p_ - start));
    }
    AnsiString DottedName()
    {
        AnsiString name = Identifier();
        while (p_ != end_ && *p_ == '.') {
            ++p_;
            name += '.';
            name += Identifier();
        }
        return name;
    }
    TFormValue Value()
    {
        SkipBlanks();
        TFormValue value;
        if (p_ == end_)
            throw FormError(line_, "値がありません");
        if (*p_ == '\'') {
            value.Kind = TFormValueKind::String;
            value.Text = QuotedText();
        } else if (*p_ == '[') {
            ++p_;
            value.Kind = TFormValueKind::Set;
            if (!Take(']')) {
                do
                    value.Items.push_back(Identifier());
                while (Take(','));
                Expect(']', "]");
            }
        } else if (*p_ == '-' || (*p_ >= '0' && *p_ <= '9')) {
            value.Kind = TFormValueKind::Integer;
            value.Integer = Integer();
        } else {
            value.Kind = TFormValueKind::Identifier;
            value.Text = Identifier();
        }
        return value;
    }

private:
    void SkipBlanks()
    {
        while (p_ != end_ && IsBlank(*p_))
            ++p_;
    }
    AnsiString QuotedText()
    {
        AnsiString text;
        ++p_;  // the opening quote
        for (;;) {
            if (p_ == end_)
                throw FormError(line_, "文字列が閉じていません");
            if (*p_ == '\'') {
                if (p_ + 1 != end_ && p_[1] == '\'') {
                    text += '\'';
                    p_ += 2;
                    continue;
                }
                ++p_;
                return text;
            }
            text += *p_++;
        }
    }
    int Integer()
    {
        const bool negative = *p_ == '-';
        if (negative)
            ++p_;
        if (p_ == end_ || *p_ < '0' || *p_ > '9')
            throw FormError(line_, "数値が正しくありません");
        long long value = 0;
        while (p_ != end_ && *p_ >= '0' && *p_ <= '9') {
            value = value * 10 + (*p_++ - '0');
            if (value > 2147483648LL)
                throw FormError(line_, "数値が大きすぎます");
        }
        if (p_ != end_ && IsIdentChar(*p_))
            throw FormError(line_, "数値が正しくありません");
        if (negative)
            value = -value;
        if (value > 2147483647LL)
            throw FormError(line_, "数値が大きすぎます");
        return static_cast<int>(value);
    }

    const char* p_;
    const char* end_;
    int line_;
};

class TFormTextReader {
public:
    TFormTextReader(const char* data, size_t size) : p_(data), end_(data + size) {}

    TFormObject ReadAll()
    {
        TLineCursor first = NextLine();
        if (first.AtEnd())
            throw FormError(line_, "object がありません");
        TFormObject root = ReadObject(first, 0);
        TLineCursor rest = NextLine();
        if (!rest.AtEnd())
            throw FormError(rest.Line(), "end の後に余分な行があります");
        return root;
    }

private:
    // The next line that is not blank; at the end of the text an empty cursor.
    TLineCursor NextLine()
    {
        while (p_ != end_) {
            const char* start = p_;
            while (p_ != end_ && *p_ != '\n' && *p_ != '\r')
                ++p_;
            const char* stop = p_;
            if (p_ != end_ && *p_ == '\r')
                ++p_;
            if (p_ != end_ && *p_ == '\n')
                ++p_;
            ++line_;
            TLineCursor line(start, stop, line_);
            if (!line.AtEnd())
                return line;
        }
        return TLineCursor(end_, end_, line_);
    }

    // The line holds "object Name: Class"; reads up to the matching "end".
    TFormObject ReadObject(TLineCursor& header, int depth)
    {
        if (depth >= kMaxDepth)
            throw FormError(header.Line(), "入れ子が深すぎます");
        TFormObject object;
        object.Line = header.Line();
        if (header.Identifier() != "object")
            throw FormError(header.Line(), "object がありません");
        object.Name = header.Identifier();
        header.Expect(':', ":");
        object.ClassName = header.Identifier();
        if (!header.AtEnd())
            throw FormError(header.Line(), "行末に余分な文字があります");

        for (;;) {
            TLineCursor line = NextLine();
            if (line.AtEnd())
                throw FormError(line_, AnsiString("オブジェクト ") + object.Name + " の end がありません");
            TLineCursor peek = line;
            const AnsiString word = peek.Identifier();
            if (word == "end" && peek.AtEnd())
                return object;
            if (word == "object" && !peek.Take('=')) {
                object.Children.push_back(ReadObject(line, depth + 1));
                continue;
            }
            TFormProperty property;
            property.Line = line.Line();
            property.Name = line.DottedName();
            line.Expect('=', "=");
            property.Value = line.Value();
            if (!line.AtEnd())
                throw FormError(line.Line(), "行末に余分な文字があります");
            object.Properties.push_back(property);
        }
    }

    const char* p_;
    const char* end_;
    int line_ = 0;
};

}  // namespace

EFormError FormError(int line, const AnsiString& what)
{
    return EFormError(Format("フォームを読み込めません (%d 行目): ", line) + what);
}

TFormObject ReadFormText(const char* data, size_t size)
{
    TFormTextReader reader(data, size);
    return reader.ReadAll();
}
