#include "ShellResources.h"

#include "CommandIds.h"
#include "Resource.h"

#include <QStringList>

#include <map>

// Outside any namespace: the macro declares the resource's init function at file scope.
static void InitIconResource() {
    Q_INIT_RESOURCE(icons);
}

namespace {

const SMenu kMainMenu = {
    IDR_MAINFRAME,
    {
        {
            QStringLiteral("파일"),
            {
                {ID_BOOK_OPEN, QStringLiteral("열기")},
                {0, QString()},
                {ID_AUTO_START, QStringLiteral("자동보기 시작")},
                {ID_AUTO_STOP, QStringLiteral("자동보기 멈춤")},
                {0, QString()},
                {ID_SEARCH, QStringLiteral("검색")},
                {0, QString()},
                {ID_SETUP, QStringLiteral("환경 설정")},
                {0, QString()},
                {ID_EXIT, QStringLiteral("종료")},
            },
        },
        {
            QStringLiteral("도움말"),
            {
                {ID_APP_ABOUT, QStringLiteral("About Tomlet...")},
            },
        },
    },
};

const SToolBar kMainToolBar = {
    IDR_MAINFRAME,
    16,
    16,
    {ID_BOOK_OPEN, ID_AUTO_START, ID_AUTO_STOP, 0, ID_SEARCH, ID_SETUP, 0, ID_APP_ABOUT},
    {
        QStringLiteral(":/icons/open.svg"),
        QStringLiteral(":/icons/auto-start.svg"),
        QStringLiteral(":/icons/auto-stop.svg"),
        QStringLiteral(":/icons/search.svg"),
        QStringLiteral(":/icons/setup.svg"),
        QStringLiteral(":/icons/about.svg"),
    }};

constexpr unsigned kCtrl = kAccelVirtKey | kAccelControl;

constexpr SAccelerator kMainAccelerators[] = {
    {kCtrl, 'N', ID_FILE_NEW},  {kCtrl, 'O', ID_FILE_OPEN},  {kCtrl, 'S', ID_FILE_SAVE},
    {kCtrl, 'Q', ID_APP_EXIT},  {kCtrl, 'Z', ID_EDIT_UNDO},  {kCtrl, 'X', ID_EDIT_CUT},
    {kCtrl, 'C', ID_EDIT_COPY}, {kCtrl, 'V', ID_EDIT_PASTE},
};

const std::map<int, QString>& StringTable() {
    static const std::map<int, QString> table = {
        {IDR_MAINFRAME, QStringLiteral("Tomlet\n\nTomlet\n\n\nTomlet.Document\nTomlet Document")},
        {IDS_FILE_MENU, QStringLiteral("파일")},
        {IDS_HELP_MENU, QStringLiteral("도움말")},
        {ID_APP_ABOUT,
         QStringLiteral("Display program information, version number and copyright\nAbout")},
    };
    return table;
}

} // namespace

const SMenu* FindMenu(int id) {
    return id == kMainMenu.id ? &kMainMenu : nullptr;
}

std::span<const std::uint16_t> FindMenuBarDescription(int id) {
    if (id != IDR_MAINFRAME)
        return {};
    return kMenuBarDescription;
}

std::optional<SMenuBar> DecodeMenuBar(std::span<const std::uint16_t> words) {
    constexpr std::size_t kHeader = 2;
    constexpr std::size_t kRecord = 7;
    if (words.size() < kHeader)
        return std::nullopt;
    const std::size_t count = words[1];
    if (words.size() < kHeader + count * kRecord)
        return std::nullopt;
    SMenuBar bar{words[0], {}};
    for (std::size_t i = 0; i < count; ++i) {
        const std::span<const std::uint16_t> r = words.subspan(kHeader + i * kRecord, kRecord);
        bar.buttons.push_back({r[0], r[1], r[2], r[3], r[4], r[6]});
    }
    return bar;
}

const SToolBar* FindToolBar(int id) {
    return id == kMainToolBar.id ? &kMainToolBar : nullptr;
}

std::span<const SAccelerator> FindAccelerators(int id) {
    if (id != IDR_MAINFRAME)
        return {};
    return kMainAccelerators;
}

QString LoadString(int id) {
    const auto it = StringTable().find(id);
    return it == StringTable().end() ? QString() : it->second;
}

QString DocString(EDocString field) {
    const QStringList fields = LoadString(IDR_MAINFRAME).split(QLatin1Char('\n'));
    const auto index = static_cast<qsizetype>(field);
    return index < fields.size() ? fields[index] : QString();
}

void InitShellResources() {
    InitIconResource();
}
