// The web page in the panel: the 「Web表示設定」 dialog, and the page's figures fed by the cycle.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QImage>
#include <QTest>

#include "base/AtomicFile.h"
#include "ui/PanelFixture.h"
#include "ui/panel/PanelWebOutput.h"
#include "ui/dialogs/Web_form.h"
#include "web/WebRules.h"

namespace tevra::test {
namespace {

// A port nobody listens on just now.
int FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t length = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
  ::close(fd);
  return ntohs(a.sin_port);
}

std::string Get(int port, const std::string& target) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string response;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
    const std::string request = "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
    ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    char buffer[4096];
    for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
      response.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return response;
}

using WebFormTest = PanelFormTest<TWebForm, &TForm1::Web>;

TEST_F(WebFormTest, ABadValueIsNamedAndNothingIsStored) {
  CreatePanel();
  EXPECT_TRUE(panel_->N2->actions().contains(panel_->Web->SettingsAction));
  const std::string open = JoinPath(dir_, "open-token");
  WriteFileAtomically(open, "0123456789abcdef0123456789abcdef\n");
  ::chmod(open.c_str(), 0644);
  const TRow rows[] = {
      {&TWebForm::AddressEdit, "localhost", "アドレス"},
      {&TWebForm::PortEdit, "0", "ポート番号"},
      {&TWebForm::PortEdit, "http", "ポート番号"},
      {&TWebForm::CertFileEdit, "/cert.pem", "鍵ファイル"},
      {&TWebForm::AddressEdit, "0.0.0.0", "トークンファイルが必要"},
      {&TWebForm::TokenFileEdit, open, "所有者以外"},
      {&TWebForm::TokenFileEdit, JoinPath(dir_, "missing"), "トークンファイル"},
  };
  const std::string before = Ini();
  for (const TRow& r : rows) {
    Open();
    form_->WebCheck->setChecked(true);
    (form_.get()->*r.edit)->setText(QString::fromStdString(r.text));
    ClickOk();
    ASSERT_EQ(platform_.Calls.size(), 1u) << r.text;
    EXPECT_NE(platform_.Calls[0].find(r.message), std::string::npos) << platform_.Calls[0];
    EXPECT_TRUE(form_->isVisible()) << r.text;
  }
  EXPECT_EQ(Ini(), before);
  EXPECT_FALSE(panel_->Web->Server.Running());
}

TEST_F(WebFormTest, OkStartsThePageAtOnceWithTheTicksFiguresAndATokenInTheQrCode) {
  CreatePanel();
  const int port = FreePort();
  Open();
  platform_.SaveFileAnswer = JoinPath(dir_, "web-token");
  QTest::mouseClick(form_->NewTokenButton, Qt::LeftButton);
  const TResult<std::string> read = ReadTokenFile(JoinPath(dir_, "web-token"));
  ASSERT_TRUE(read) << read.Error().Message;
  const std::string token = read.Value();
  form_->WebCheck->setChecked(true);
  form_->PortEdit->setText(QString::number(port));
  QTest::mouseClick(form_->OkButton, Qt::LeftButton);
  EXPECT_FALSE(form_->isVisible());
  EXPECT_NE(Ini().find("[Web]\nWeb=1\nWebAddress=127.0.0.1\nWebPort=" + std::to_string(port) +
                       "\nWebTokenFile=" + dir_ + "/web-token\n"),
            std::string::npos);
  EXPECT_EQ(Ini().find(token), std::string::npos);  // the token stays in its own file
  ASSERT_TRUE(panel_->Web->Server.Running());
  Open();
  EXPECT_EQ(form_->PageAddress->text().toStdString(),
            "http://127.0.0.1:" + std::to_string(port) + "/?token=" + token);
  EXPECT_TRUE(form_->QrNote->isVisibleTo(form_.get()));
  EXPECT_FALSE(WebQrImage("http://127.0.0.1:18080/?token=" + token, 4).isNull());

  EXPECT_NE(Get(port, "/api/status").find("401"), std::string::npos);
  Start();
  ASSERT_TRUE(TickUntil(
      [&] { return Get(port, "/api/status?token=" + token).find("\"time\":\"") != std::string::npos; }, 100));
  const std::string status = Get(port, "/api/status?token=" + token);
  EXPECT_NE(status.find("\"state\":\"measuring\""), std::string::npos) << status;
  EXPECT_NE(status.find("\"history\":true"), std::string::npos);
  EXPECT_NE(Get(port, "/api/alarms?token=" + token).find("{\"alarms\":["), std::string::npos);
  EXPECT_NE(Get(port, "/api/history?span=1h&token=" + token).find("\"minutes\":["), std::string::npos);

  Open();
  form_->WebCheck->setChecked(false);
  QTest::mouseClick(form_->OkButton, Qt::LeftButton);
  EXPECT_FALSE(panel_->Web->Server.Running());
  EXPECT_EQ(Get(port, "/api/status"), "");
}

}  // namespace
}  // namespace tevra::test
