#include "album/CommandLine.h"

#include <cstdio>

namespace movra {

namespace {

// Options QGuiApplication and QApplication take themselves (either with one dash or two), and
// whether each is followed by a value.
struct TQtOption {
    const char* name;
    bool takesValue;
};
constexpr TQtOption kQtOptions[] = {
    {"platform", true},        {"platformpluginpath", true},
    {"platformtheme", true},   {"plugin", true},
    {"qwindowgeometry", true}, {"geometry", true},
    {"qwindowtitle", true},    {"title", true},
    {"qwindowicon", true},     {"icon", true},
    {"display", true},         {"style", true},
    {"stylesheet", true},      {"session", true},
    {"qmljsdebugger", true},   {"reverse", false},
    {"widgetcount", false},    {"nograb", false},
    {"dograb", false},         {"sync", false},
};

// The option's name without its dashes and any "=value", or empty when arg is not an option.
QString optionName(const QString& arg) {
    if (!arg.startsWith(QLatin1Char('-')) || arg == QStringLiteral("-"))
        return {};
    QString name = arg.mid(arg.startsWith(QStringLiteral("--")) ? 2 : 1);
    const qsizetype eq = name.indexOf(QLatin1Char('='));
    return eq >= 0 ? name.left(eq) : name;
}

const TQtOption* qtOption(const QString& name) {
    for (const TQtOption& o : kQtOptions)
        if (name == QLatin1String(o.name))
            return &o;
    return nullptr;
}

TCommandLine failure(const QString& error) {
    TCommandLine line;
    line.Action = TCommandLine::TAction::Error;
    line.Error = error;
    return line;
}

void print(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

TCommandLine ParseCommandLine(const QStringList& args) {
    TCommandLine line;
    bool optionsEnded = false;
    QStringList paths;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (!optionsEnded && arg == QStringLiteral("--")) {
            optionsEnded = true;
            continue;
        }
        const QString name = optionsEnded ? QString() : optionName(arg);
        if (name.isEmpty()) {
            paths.append(arg);
            continue;
        }
        if (arg == QStringLiteral("--help") || arg == QStringLiteral("-h")) {
            line.Action = TCommandLine::TAction::Help;
            return line;
        }
        if (arg == QStringLiteral("--version") || arg == QStringLiteral("-v")) {
            line.Action = TCommandLine::TAction::Version;
            return line;
        }
        if (const TQtOption* qt = qtOption(name)) {
            if (qt->takesValue && !arg.contains(QLatin1Char('='))) {
                if (i + 1 >= args.size())
                    return failure(QStringLiteral("Opcja %1 wymaga wartości.").arg(arg));
                ++i;
            }
            continue;
        }
        return failure(QStringLiteral("Nieznana opcja: %1").arg(arg));
    }
    if (paths.size() > 1)
        return failure(QStringLiteral("Można otworzyć tylko jeden album naraz, a podano więcej "
                                      "plików."));
    if (!paths.isEmpty()) {
        if (paths.front().isEmpty())
            return failure(QStringLiteral("Podano pustą nazwę pliku albumu."));
        line.AlbumPath = paths.front();
    }
    return line;
}

QString CommandLineHelp() {
    return QStringLiteral(
        "Użycie: movra [OPCJA] [PLIK]\n"
        "Movra - album osób ze zdjęciami i notatkami.\n"
        "\n"
        "Bez PLIKU otwiera album otwarty ostatnio; z PLIKIEM (album .db3 z dowolnego\n"
        "folderu) otwiera ten album i zapamiętuje go na następny raz. Program nigdy nie\n"
        "tworzy albumu, którego nie ma: nowy album robi polecenie Baza > Nowa Baza.\n"
        "\n"
        "Opcje:\n"
        "  -h, --help       pokazuje ten opis i kończy pracę\n"
        "  -v, --version    pokazuje wersję programu i kończy pracę\n"
        "  --               kończy opcje (następny argument to plik, nawet gdy zaczyna\n"
        "                   się od '-')\n"
        "\n"
        "Przyjmuje też opcje biblioteki Qt, np. -platform lub -style.\n"
        "\n"
        "Kod wyjścia: 0 po poprawnej pracy, 2 przy błędnym wywołaniu.\n");
}

QString CommandLineVersion() {
    return QStringLiteral("Movra " MOVRA_VERSION "\n");
}

int AnswerCommandLine(const TCommandLine& line) {
    switch (line.Action) {
    case TCommandLine::TAction::Run:
        return -1;
    case TCommandLine::TAction::Help:
        print(stdout, CommandLineHelp());
        return 0;
    case TCommandLine::TAction::Version:
        print(stdout, CommandLineVersion());
        return 0;
    case TCommandLine::TAction::Error:
        print(stderr,
              QStringLiteral("movra: %1\nWięcej informacji: movra --help\n").arg(line.Error));
        return 2;
    }
    return -1;
}

} // namespace movra
