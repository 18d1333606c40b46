// The main window built against an order server that each test scripts itself, so that the
// store check can be accepted, refused or fail; the window may be looked at before it is shown.
#pragma once

#include "app/uFStatus.h"
#include "controls/drumoEdit.h"
#include "tests/support/CentralFixture.h"

#include <QMessageBox>
#include <QTimer>
#include <ctime>
#include <functional>

namespace torvel::test {

inline const std::string kCrf = "12.345.678/0001-95";
inline const QString kRefusal =
    QString::fromUtf8("Sua loja não esta credenciada para efetuar pedidos.");

// A request of the transport's GET as it goes on the wire.
inline std::string GetBytes(const ScriptedServer& to, const std::string& target) {
    return "GET " + target + " HTTP/1.1\r\nHost: " + to.HostPort() +
           "\r\nAccept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"
           "Accept-Encoding: identity\r\nUser-Agent: Mozilla/3.0 (compatible; Indy "
           "Library)\r\n\r\n";
}

inline std::string CheckTarget(const std::string& crf, const std::string& ctro) {
    return "/api/torvel/pedidos.php?ID=" + crf + "&CTRO=" + ctro;
}
inline std::string ListTarget(const std::string& userId, const std::string& ctro,
                              const std::string& filter = {}) {
    return "/api/torvel/pedidos.php?filtro=ctro&valor=" + userId + "&CTRO=" + ctro + filter;
}
inline std::string CatalogueTarget(const std::string& userId, const std::string& ctro) {
    return "/api/torvel/pedidos.php?filtro=itens&valor=" + userId + "&CTRO=" + ctro;
}

inline std::vector<std::string> Targets(const ScriptedServer& from) {
    std::vector<std::string> out;
    for (const auto& r : from.Requests())
        out.push_back(r.Target());
    return out;
}

inline ServerReply ErrorReply(const std::string& statusLine, const std::string& body = {}) {
    return {ScriptedServer::Reply(statusLine, body)};
}

// A reply whose connection closes half-way through the body.
inline ServerReply CutShort(const std::string& body) {
    ServerReply r = ScriptedServer::Ok(body);
    r.cutAt = r.bytes.size() - body.size() / 2;
    return r;
}
// No reply at all: the connection closes at once.
inline ServerReply NoReply() {
    ServerReply r;
    r.closeAfter = true;
    return r;
}

// A moment in UTC (the fixture runs with TZ=UTC0).
inline Clock::time_point At(int year, int month, int day, int hour, int minute) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    return Clock::from_time_t(timegm(&tm));
}

// The wait window while it exists, found among the top-level windows.
inline TFStatus* WaitWindow() {
    TFStatus* found = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* s = qobject_cast<TFStatus*>(w); s && s->isVisible()) {
            EXPECT_EQ(found, nullptr) << "more than one wait window";
            found = s;
        }
    return found;
}

// Looks at the screen at every turn of the event loop (the requests' wait hook and the wait
// window turn it while the program works) and notes each new sight that `look` describes;
// a real message box, when one comes up, is noted by its text and closed.
class Probe {
public:
    explicit Probe(std::function<std::string()> look) : look_(std::move(look)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
        timer_.start(0);
    }
    std::vector<std::string> seen;

private:
    void Tick() {
        std::string sight = look_();
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            sight += " box:" + FromQString(box->text());
            box->accept();
        }
        if (!sight.empty() && (seen.empty() || seen.back() != sight))
            seen.push_back(sight);
    }
    std::function<std::string()> look_;
    QTimer timer_;
};

class Shell : public CentralTest {
protected:
    // Config.Ini with this CRF, these stores (IDS as written) and `to` as the server, then the
    // window built: FormCreate has run, the window is not shown yet.
    void Build(const std::string& ids, const ScriptedServer& to, const std::string& crf = kCrf) {
        WriteFile("Config.Ini", "[CONFIGURACAO]\r\nCRF=" + crf + "\r\nIDS=" + ids +
                                    "\r\nSERVIDOR=" + to.HostPort() + "\r\n");
        window = std::make_unique<TFCentral>();
    }
    void Show() {
        window->show();
        window->activateWindow(); // as a window manager would; offscreen it is already done
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    // The window up with two stores, the first one checked and accepted by `to`.
    void StartAccepted(const ScriptedServer& to) {
        Build("34 - LOJA CENTRO|35 - LOJA SUL", to);
        ASSERT_NO_FATAL_FAILURE(Show());
        Choose(0);
        ASSERT_EQ(window->Session().UserId, 1021);
    }

    // An order server that accepts every store as user 1021.
    static void Accepting(ScriptedServer& s, const std::string& list = "557|A|Aberto|01/12/2026",
                          const std::string& catalogue = "34|10|M|DEZ|R|UN|10.00|1") {
        s.Route("pedidos.php?ID=", ScriptedServer::Ok("1021"));
        s.Route("filtro=ctro", ScriptedServer::Ok(list));
        s.Route("filtro=itens", ScriptedServer::Ok(catalogue));
    }

    QString BoxTexts() {
        QString out;
        for (const auto& b : Boxes())
            out += b.text + "\n";
        return out;
    }
};

} // namespace torvel::test
