#include "CommandLine.h"

#include "Book.h"
#include "Counter.h"
#include "Utf8.h"
#include "Version.h"

#include <charconv>
#include <ostream>
#include <vector>

namespace {

constexpr const char kHelp[] =
    "Usage: tomlet [--codepage NAME] [BOOK]\n"
    "       tomlet [--codepage NAME] --list BOOK\n"
    "       tomlet [--codepage NAME] --show N BOOK\n"
    "       tomlet [--codepage NAME] --find TERM BOOK\n"
    "       tomlet [--codepage NAME] --grep TERM BOOK\n"
    "\n"
    "Reads books divided into items: marked text (every line holding \"///\" starts an\n"
    "item) and CVD (extension .cvd). Without --list, --show, --find or --grep the reader\n"
    "window opens, with BOOK if one is named.\n"
    "\n"
    "  --list BOOK        print every item: index, recorded offset and name, tab-separated;\n"
    "                     a tab, CR, line feed or backslash in a name is written as \\t,\n"
    "                     \\r, \\n or \\\\, so every item is one line\n"
    "  --show N BOOK      print item N (from 0): title, counter, then the body\n"
    "  --find TERM BOOK   print, as --show does, the first item whose name begins with\n"
    "                     TERM (Latin letters A to Z without case)\n"
    "  --grep TERM BOOK   print, as --list does, every item whose title or body holds\n"
    "                     TERM (Latin letters A to Z without case)\n"
    "  --codepage NAME    read the book in this code page (an iconv name, e.g. CP949,\n"
    "                     UTF-8, EUC-JP); by default UTF-8 when the book is valid UTF-8\n"
    "                     with non-ASCII bytes, else CP949. Books are 8-bit text:\n"
    "                     code pages in which the line feed and '/' are not single\n"
    "                     bytes (UTF-16, UTF-32, UCS-2, EBCDIC) are refused (status 64)\n"
    "  --help             print this help\n"
    "  --version          print the version\n"
    "\n"
    "Exit status: 0 done, 1 the book can't be opened or read, 2 no such item or it can't\n"
    "be shown, 64 a wrong command line (--list with --show, say), 69 the window program\n"
    "is missing or can't be run, 74 the output could not be written.\n";

// Why books can't be read in a forced code page; empty when they can.
std::string CodePageRefusal(const std::string& codePage) {
    switch (CodePageFit(codePage)) {
    case ECodePageFit::Ok:
        break;
    case ECodePageFit::Unknown:
        return "unknown code page '" + codePage + "'";
    case ECodePageFit::NotByteText:
        return "books can't be read in " + codePage +
               ": the line feed and '/' are not single bytes in it (UTF-16, UTF-32, UCS-2 "
               "and EBCDIC pages are refused)";
    }
    return {};
}

void Say(std::ostream& err, const char16_t* message) {
    err << ToUtf8(message) << '\n';
}

// A name as one field of a line: the bytes that would end the field or the line, and the
// backslash that escapes them, become two-character escapes.
void AppendField(std::u16string_view name, std::string& line) {
    const std::size_t start = line.size();
    AppendUtf8(name, line);
    if (line.find_first_of("\t\r\n\\", start) == std::string::npos)
        return;
    const std::string raw = line.substr(start);
    line.resize(start);
    for (const char c : raw) {
        switch (c) {
        case '\t':
            line += "\\t";
            break;
        case '\r':
            line += "\\r";
            break;
        case '\n':
            line += "\\n";
            break;
        case '\\':
            line += "\\\\";
            break;
        default:
            line += c;
        }
    }
}

// Prints index, position and name of every item, or of the items listed in only, a block at
// a time; stops when out fails.
void PrintList(const CBook& book, std::ostream& out,
               const std::vector<std::int32_t>* only = nullptr) {
    constexpr std::size_t kBlock = 1 << 16;
    std::string block;
    block.reserve(2 * kBlock);
    char number[16];
    std::u16string name;
    const COffsetTable& offsets = book.Offsets();
    const std::size_t rows = only ? only->size() : static_cast<std::size_t>(offsets.Count());
    for (std::size_t row = 0; row < rows; ++row) {
        const auto i = only ? (*only)[row] : static_cast<std::int32_t>(row);
        block.append(number, std::to_chars(number, number + sizeof number, i).ptr);
        block += '\t';
        block.append(number, std::to_chars(number, number + sizeof number, offsets[i]).ptr);
        block += '\t';
        book.Names().NameInto(i, name);
        AppendField(name, block);
        block += '\n';
        if (block.size() >= kBlock) {
            if (!out.write(block.data(), static_cast<std::streamsize>(block.size())))
                return;
            block.clear();
        }
    }
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
}

// Title, counter, then the body.
void PrintItem(const STextItem& item, std::int32_t s, std::int32_t last, std::ostream& out) {
    out << ToUtf8(item.title) << '\n'
        << ToUtf8(FormatCounter(s, last)) << '\n'
        << ToUtf8(item.body);
}

int Show(const SCommandLine& command, const CBook& book, std::ostream& out, std::ostream& err) {
    const std::int32_t last = book.LastIndex();
    if (command.item < 0 || command.item > last) {
        err << "tomlet: no item " << command.item << " in " << command.book << " (it has "
            << last + 1 << " items, numbered from 0)\n";
        return kExitNoItem;
    }
    const auto s = static_cast<std::int32_t>(command.item);
    STextItem item;
    const EBookStatus status = book.ReadItem(s, item);
    switch (status) {
    case EBookStatus::Ok:
        break;
    case EBookStatus::CannotOpen:
        Say(err, MessageOf(status));
        return kExitCannotOpen;
    case EBookStatus::Malformed:
        err << "tomlet: item " << s << " of " << command.book
            << " is not a well-formed CVD record\n";
        return kExitNoItem;
    default:
        if (const char16_t* message = MessageOf(status))
            Say(err, message);
        return kExitNoItem;
    }
    PrintItem(item, s, last, out);
    return kExitOk;
}

// Looks the item up without building the book's index, and prints it as --show would.
int Find(const SCommandLine& command, const CBook& book, std::ostream& out, std::ostream& err) {
    std::u16string term;
    DecodeUtf8Append(command.term, term);
    SFoundItem found;
    STextItem item;
    const EBookStatus status =
        book.FindFirst(command.book, FileKindOf(command.book), term, found, item);
    if (status == EBookStatus::FileMissing || status == EBookStatus::TooLarge) {
        Say(err, MessageOf(status));
        return kExitCannotOpen;
    }
    if (found.formatFault)
        Say(err, MessageOf(EBookStatus::CvdFormat));
    if (found.index < 0) {
        err << "tomlet: no item of " << command.book << " has a name beginning with '"
            << command.term << "'\n";
        return kExitNoItem;
    }
    if (status == EBookStatus::Malformed) {
        err << "tomlet: item " << found.index << " of " << command.book
            << " is not a well-formed CVD record\n";
        return kExitNoItem;
    }
    PrintItem(item, found.index, found.last, out);
    return kExitOk;
}

// Lists the items whose title or body holds the term.
int Grep(const SCommandLine& command, const CBook& book, std::ostream& out, std::ostream& err) {
    std::u16string term;
    DecodeUtf8Append(command.term, term);
    std::vector<std::int32_t> found;
    if (const EBookStatus status = book.FindAllText(term, found); status != EBookStatus::Ok) {
        Say(err, MessageOf(status));
        return kExitCannotOpen;
    }
    if (found.empty()) {
        err << "tomlet: no item of " << command.book << " holds '" << command.term << "'\n";
        return kExitNoItem;
    }
    PrintList(book, out, &found);
    return kExitOk;
}

} // namespace

SCommandLine ParseCommandLine(const std::vector<std::string>& args) {
    SCommandLine command;
    auto fail = [&command](std::string why) {
        command.action = SCommandLine::EAction::Error;
        command.error = std::move(why);
        return command;
    };
    std::vector<std::string> books;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            books.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            command.action = SCommandLine::EAction::Help;
            return command;
        } else if (arg == "--version") {
            command.action = SCommandLine::EAction::Version;
            return command;
        } else if ((arg == "--list" || arg == "--show" || arg == "--find" || arg == "--grep") &&
                   command.action != SCommandLine::EAction::Window) {
            return fail("one of --list, --show, --find and --grep, once");
        } else if (arg == "--list") {
            command.action = SCommandLine::EAction::List;
        } else if (arg == "--show") {
            if (i + 1 == args.size())
                return fail("--show needs an item number");
            const std::string& number = args[++i];
            auto [end, ec] =
                std::from_chars(number.data(), number.data() + number.size(), command.item);
            if (ec != std::errc() || end != number.data() + number.size() || command.item < 0)
                return fail("--show needs an item number from 0, not '" + number + "'");
            command.action = SCommandLine::EAction::Show;
        } else if (arg == "--find") {
            if (i + 1 == args.size())
                return fail("--find needs the start of a name");
            command.term = args[++i];
            command.action = SCommandLine::EAction::Find;
        } else if (arg == "--grep") {
            if (i + 1 == args.size())
                return fail("--grep needs the words to look for");
            command.term = args[++i];
            command.action = SCommandLine::EAction::Grep;
        } else if (arg == "--codepage" || arg.rfind("--codepage=", 0) == 0) {
            if (arg == "--codepage") {
                if (i + 1 == args.size())
                    return fail("--codepage needs a code page name");
                command.codePage = args[++i];
            } else {
                command.codePage = arg.substr(11);
            }
            if (command.codePage.empty())
                return fail("--codepage needs a code page name");
        } else {
            return fail("unknown option '" + arg + "'");
        }
    }
    if (books.size() > 1)
        return fail("one book at a time, not " + std::to_string(books.size()));
    if (!books.empty())
        command.book = books.front();
    const bool needsBook = command.action == SCommandLine::EAction::List ||
                           command.action == SCommandLine::EAction::Show ||
                           command.action == SCommandLine::EAction::Find ||
                           command.action == SCommandLine::EAction::Grep;
    if (needsBook && command.book.empty())
        return fail("which book? Name it after the option");
    if (!command.codePage.empty()) {
        if (std::string why = CodePageRefusal(command.codePage); !why.empty())
            return fail(std::move(why));
    }
    return command;
}

namespace {

int Run(const SCommandLine& command, std::ostream& out, std::ostream& err) {
    switch (command.action) {
    case SCommandLine::EAction::Help:
        out << kHelp;
        return kExitOk;
    case SCommandLine::EAction::Version:
        out << "Tomlet " << kVersion << '\n' << kDescription << '\n' << kCopyright << '\n';
        return kExitOk;
    case SCommandLine::EAction::Error:
        err << "tomlet: " << command.error << "\nTry 'tomlet --help'.\n";
        return kExitUsage;
    case SCommandLine::EAction::Window:
    case SCommandLine::EAction::List:
    case SCommandLine::EAction::Show:
    case SCommandLine::EAction::Find:
    case SCommandLine::EAction::Grep:
        break;
    }
    auto book = CBook::Create(command.codePage);
    if (!book) {
        err << "tomlet: " << CodePageRefusal(command.codePage) << '\n';
        return kExitUsage;
    }
    if (command.action == SCommandLine::EAction::Find)
        return Find(command, *book, out, err);
    const EBookStatus status = book->Open(command.book, FileKindOf(command.book));
    if (const char16_t* message = MessageOf(status))
        Say(err, message);
    if (status == EBookStatus::FileMissing || status == EBookStatus::TooLarge)
        return kExitCannotOpen;
    if (command.action == SCommandLine::EAction::Show)
        return Show(command, *book, out, err);
    if (command.action == SCommandLine::EAction::Grep)
        return Grep(command, *book, out, err);
    PrintList(*book, out);
    return kExitOk;
}

} // namespace

int RunCommandLine(const SCommandLine& command, std::ostream& out, std::ostream& err) {
    const int status = Run(command, out, err);
    // Output that never arrived is no success: a list cut short on a full disk would
    // otherwise pass for the whole book.
    if (out.flush())
        return status;
    err << "tomlet: could not write to standard output\n";
    return status == kExitOk ? kExitOutput : status;
}
