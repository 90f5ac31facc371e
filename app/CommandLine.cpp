#include "CommandLine.h"

#include "Book.h"
#include "Counter.h"
#include "Utf8.h"
#include "Version.h"

#include <charconv>
#include <ostream>

namespace {

constexpr const char kHelp[] =
    "Usage: tomlet [--codepage NAME] [BOOK]\n"
    "       tomlet [--codepage NAME] --list BOOK\n"
    "       tomlet [--codepage NAME] --show N BOOK\n"
    "\n"
    "Reads books divided into items: marked text (every line holding \"///\" starts an\n"
    "item) and CVD (extension .cvd). Without --list or --show the reader window opens,\n"
    "with BOOK if one is named.\n"
    "\n"
    "  --list BOOK        print every item: index, recorded offset and name, tab-separated\n"
    "  --show N BOOK      print item N (from 0): title, counter, then the body\n"
    "  --codepage NAME    read the book in this code page (an iconv name, e.g. CP949,\n"
    "                     UTF-8, EUC-JP); by default UTF-8 when the book is valid UTF-8\n"
    "                     with non-ASCII bytes, else CP949\n"
    "  --help             print this help\n"
    "  --version          print the version\n"
    "\n"
    "Exit status: 0 done, 1 the book can't be opened or read, 2 no such item or it can't\n"
    "be shown, 64 a wrong command line.\n";

void Say(std::ostream& err, const char16_t* message) {
    err << ToUtf8(message) << '\n';
}

// Prints index, position and name of every item, a block at a time.
void PrintList(const CBook& book, std::ostream& out) {
    constexpr std::size_t kBlock = 1 << 16;
    std::string block;
    block.reserve(2 * kBlock);
    char number[16];
    const COffsetTable& offsets = book.Offsets();
    for (std::int32_t i = 0; i < offsets.Count(); ++i) {
        block.append(number, std::to_chars(number, number + sizeof number, i).ptr);
        block += '\t';
        block.append(number, std::to_chars(number, number + sizeof number, offsets[i]).ptr);
        block += '\t';
        AppendUtf8(book.Names().Name(i), block);
        block += '\n';
        if (block.size() >= kBlock) {
            out.write(block.data(), static_cast<std::streamsize>(block.size()));
            block.clear();
        }
    }
    out.write(block.data(), static_cast<std::streamsize>(block.size()));
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
    out << ToUtf8(item.title) << '\n'
        << ToUtf8(FormatCounter(s, last)) << '\n'
        << ToUtf8(item.body);
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
                           command.action == SCommandLine::EAction::Show;
    if (needsBook && command.book.empty())
        return fail("which book? Name it after the option");
    return command;
}

int RunCommandLine(const SCommandLine& command, std::ostream& out, std::ostream& err) {
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
        break;
    }
    auto book = CBook::Create(command.codePage);
    if (!book) {
        err << "tomlet: unknown code page '" << command.codePage << "'\n";
        return kExitUsage;
    }
    const EBookStatus status = book->Open(command.book, FileKindOf(command.book));
    if (const char16_t* message = MessageOf(status))
        Say(err, message);
    if (status == EBookStatus::FileMissing || status == EBookStatus::TooLarge)
        return kExitCannotOpen;
    if (command.action == SCommandLine::EAction::Show)
        return Show(command, *book, out, err);
    PrintList(*book, out);
    return kExitOk;
}
