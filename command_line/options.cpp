#include "command_line/options.h"

#include "device_link/com1.h"

namespace ringlatch {

namespace {

using Mode = Invocation::Mode;

Invocation usageError(const QString &problem)
{
    Invocation invocation;
    invocation.mode = Mode::UsageError;
    invocation.problem = problem;
    return invocation;
}

} // namespace

Options::Options()
    : port_(QStringLiteral("port"),
            QStringLiteral("Uredjaj koji je COM1 za ovo pokretanje (npr. /dev/ttyUSB0, COM4). "
                           "Bez ove opcije: %1.")
                .arg(QString::fromLatin1(kCom1Device)),
            QStringLiteral("uredjaj")),
      listPorts_(QStringLiteral("list-ports"),
                 QStringLiteral("Ispisuje serijske portove koje sistem poznaje.")),
      store_(QStringLiteral("store"),
             QStringLiteral("Upisuje broj u eprom uredjaja, bez prozora (najvise 20 znakova, "
                            "stampajuci ASCII)."),
             QStringLiteral("broj")),
      readOut_(QStringLiteral("read-out"),
               QStringLiteral("Ispisuje, bez prozora, bajtove koje uredjaj posalje.")),
      listen_(QStringLiteral("listen"),
              QStringLiteral("Koliko dugo --read-out slusa, u milisekundama (podrazumevano %1, "
                             "najvise %2).")
                  .arg(kDefaultListenMs)
                  .arg(kMaxListenMs),
              QStringLiteral("ms")),
      help_(QStringList{QStringLiteral("h"), QStringLiteral("help")},
            QStringLiteral("Prikazuje ovu pomoc.")),
      version_(QStringList{QStringLiteral("v"), QStringLiteral("version")},
               QStringLiteral("Prikazuje verziju programa."))
{
    parser_.setApplicationDescription(
        QStringLiteral("Ringlatch upisuje broj telefona u eprom relejnog uredjaja na portu COM1.\n"
                       "Bez opcija (ili samo sa --port) otvara prozor.\n"
                       "Izlazni kodovi: 0 uspeh, 1 uredjaj nije potvrdio upis, "
                       "2 greska na portu, 64 pogresna upotreba."));
    parser_.addOptions({port_, listPorts_, store_, readOut_, listen_, help_, version_});
}

Options::Value Options::valueOf(const QCommandLineOption &option) const
{
    const QString name = QStringLiteral("--") + option.names().constLast();
    const QStringList values = parser_.values(option);
    if (values.size() > 1)
        return {{}, QStringLiteral("Opcija %1 je data vise puta").arg(name)};
    // "--store --port X" would otherwise store the number "--port": a value
    // that is one of the program's own options means the value was left out.
    const QString &value = values.constFirst();
    QString asOption = value;
    while (asOption.startsWith(u'-'))
        asOption.remove(0, 1);
    asOption = asOption.section(u'=', 0, 0);
    if (value.startsWith(u'-') && !asOption.isEmpty()) {
        for (const QCommandLineOption *known :
             {&port_, &listPorts_, &store_, &readOut_, &listen_, &help_, &version_}) {
            if (known->names().contains(asOption))
                return {{}, QStringLiteral("Opciji %1 nedostaje vrednost").arg(name)};
        }
    }
    return {value, {}};
}

Invocation Options::parse(const QStringList &arguments)
{
    if (!parser_.parse(arguments)) {
        const QStringList unknown = parser_.unknownOptionNames();
        if (!unknown.isEmpty()) {
            // "-platform" is read as -p -l -a …: name the argument as given.
            const QString &name = unknown.constFirst();
            QString given = (name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name;
            for (const QString &argument : arguments.mid(1)) {
                if (name.size() == 1 && argument.startsWith(u'-') &&
                    !argument.startsWith(QStringLiteral("--")) && argument.contains(name)) {
                    given = argument;
                    break;
                }
            }
            return usageError(QStringLiteral("Nepoznata opcija: %1").arg(given));
        }
        // The other failures: a value given to an option that takes none
        // ("--help=x"), or an option that takes a value came last.
        for (const QString &argument : arguments.mid(1)) {
            if (argument.startsWith(QStringLiteral("--")) && argument.contains(u'='))
                return usageError(QStringLiteral("Opcija %1 ne prima vrednost")
                                      .arg(argument.section(u'=', 0, 0)));
        }
        return usageError(QStringLiteral("Opciji %1 nedostaje vrednost")
                              .arg(arguments.value(arguments.size() - 1)));
    }
    Invocation invocation;
    int modes = 0;
    const auto mode = [&](const QCommandLineOption &option, Mode m) {
        if (parser_.isSet(option)) {
            invocation.mode = m;
            ++modes;
        }
    };
    mode(help_, Mode::Help);
    mode(version_, Mode::Version);
    mode(listPorts_, Mode::ListPorts);
    mode(store_, Mode::Store);
    mode(readOut_, Mode::ReadOut);
    if (modes > 1)
        return usageError(QStringLiteral("Dozvoljena je samo jedna od opcija --store, --read-out, "
                                         "--list-ports, --help i --version"));

    invocation.device = QString::fromLatin1(kCom1Device);
    if (parser_.isSet(port_)) {
        if (invocation.mode != Mode::Window && invocation.mode != Mode::Store &&
            invocation.mode != Mode::ReadOut)
            return usageError(QStringLiteral("Opcija --port ide samo uz prozor, --store i "
                                             "--read-out"));
        const Value port = valueOf(port_);
        if (!port.problem.isEmpty())
            return usageError(port.problem);
        invocation.device = port.text;
    }
    if (invocation.mode == Mode::Store) {
        const Value number = valueOf(store_);
        if (!number.problem.isEmpty())
            return usageError(number.problem);
        invocation.number = number.text;
    }
    if (parser_.isSet(listen_)) {
        if (invocation.mode != Mode::ReadOut)
            return usageError(QStringLiteral("Opcija --listen ide samo uz --read-out"));
        const Value listen = valueOf(listen_);
        if (!listen.problem.isEmpty())
            return usageError(listen.problem);
        bool ok = false;
        invocation.listenMs = listen.text.toInt(&ok);
        if (!ok || invocation.listenMs < 0 || invocation.listenMs > kMaxListenMs)
            return usageError(
                QStringLiteral("Vrednost za --listen mora biti broj milisekundi od 0 do %1: %2")
                    .arg(kMaxListenMs)
                    .arg(listen.text));
    }
    // After the values: "--store --port X" leaves X over, but what is wrong
    // is the missing number.
    if (!parser_.positionalArguments().isEmpty())
        return usageError(QStringLiteral("Neocekivan argument: %1")
                              .arg(parser_.positionalArguments().constFirst()));
    return invocation;
}

QString Options::helpText() const
{
    // Qt's two headings are the only English words in the text.
    QString text = parser_.helpText();
    text.replace(QStringLiteral("Usage: "), QStringLiteral("Upotreba: "));
    text.replace(QStringLiteral("[options]"), QStringLiteral("[opcije]"));
    text.replace(QStringLiteral("\nOptions:\n"), QStringLiteral("\nOpcije:\n"));
    return text;
}

} // namespace ringlatch
