// The FTP session against a real FTP server on 127.0.0.1 (pyftpdlib): folders made
// level by level, existing levels, both transfer modes, login failures, the temporary
// name, and the remote path helpers.
#include "publish/ftp_protocol.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "publish/ftp_paths.h"
#include "publish/inet_extra_settings.h"
#include "publish/tests/ftp_test_server.h"
#include "test_support/files.h"
#include "test_support/temp_dir.h"

namespace sq {
namespace {

namespace fs = std::filesystem;
using test::FtpTestServer;
using testing::ReadText;
using testing::TempDir;
using testing::WriteText;

TEST(FtpPaths, ConvertAndPartialPathCases) {
  EXPECT_EQ(ConvertPathToForwardSlashes("\\a\\b\\"), "/a/b");
  EXPECT_EQ(ConvertPathToForwardSlashes("a/b//"), "a/b/");  // one trailing separator only
  EXPECT_EQ(ConvertPathToForwardSlashes(""), "");

  struct Row {
    int n;
    const char* path;
    const char* out;
    int result;
  };
  const Row rows[] = {
      {1, "a\\b\\c", "a", kPartialPrefix},      {2, "a\\b\\c", "a\\b", kPartialPrefix},
      {3, "a\\b\\c", "a\\b\\c", kPartialWhole}, {4, "a\\b\\c", "a\\b\\c", kPartialBeyond},
      {2, "a/b\\c", "a/b", kPartialPrefix},     {1, "abc", "abc", kPartialWhole},
      {1, "\\a", "", kPartialPrefix},           {3, "\\a\\", "\\a\\", kPartialWhole},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.path) + " n=" + std::to_string(r.n));
    std::string out;
    EXPECT_EQ(GetPartialPath(r.n, r.path, &out), r.result);
    EXPECT_EQ(out, r.out);
  }

  EXPECT_EQ(JoinRemotePath("/", "/a/b"), "/a/b");
  EXPECT_EQ(JoinRemotePath("/home/wx/", "a"), "/home/wx/a");
  EXPECT_EQ(JoinRemotePath("/home/wx", ""), "/home/wx");
  EXPECT_EQ(JoinRemotePath("", "/a//b/"), "a/b");
  EXPECT_EQ(JoinSettingPath("/var/www", "\\images\\"), "/var/www/images/");
  EXPECT_EQ(JoinSettingPath("/var/www/", "/x.gif"), "/var/www/x.gif");
  EXPECT_EQ(JoinSettingPath("", "x.gif"), "x.gif");
}

TEST(FtpPaths, UrlsEscapeNamesAndKeepTheLoginFolderRelative) {
  FtpSettings s;
  s.host = "example.invalid";
  s.port = 2121;
  FTPProtocol ftp(s);
  EXPECT_EQ(ftp.UrlFor("/a b/c", true), "ftp://example.invalid:2121/%2Fa%20b/c/");
  EXPECT_EQ(ftp.UrlFor("pages/index.htm", false), "ftp://example.invalid:2121/pages/index.htm");
  EXPECT_EQ(ftp.UrlFor("", true), "ftp://example.invalid:2121/");
  s.security = inet_extra::kFtpSecuritySftp;
  s.host = "::1";
  FTPProtocol sftp(s);
  EXPECT_EQ(sftp.UrlFor("/home/wx/www", true), "sftp://[::1]:2121/home/wx/www/");
  EXPECT_EQ(sftp.UrlFor("www/a.gif", false), "sftp://[::1]:2121/~/www/a.gif");
}

class FtpServerTest : public ::testing::Test {
 protected:
  FtpSettings Settings(const FtpTestServer& server, bool passive = true) const {
    FtpSettings s;
    s.host = "127.0.0.1";
    s.port = static_cast<std::uint16_t>(server.port());
    s.user = "wx";
    s.password = "secret";
    s.passive = passive;
    s.proxy_mode = 0;
    s.connect_timeout_s = 10;
    s.response_timeout_s = 10;
    s.low_speed_time_s = 10;
    return s;
  }
  std::string Root() const { return dir_ / "root"; }
  std::string Local(const std::string& name, const std::string& text) const {
    WriteText(dir_ / name, text);
    return dir_ / name;
  }
  void SetUp() override { fs::create_directories(Root()); }

  TempDir dir_;
};

TEST_F(FtpServerTest, NestedFoldersAreMadeLevelByLevelInBothModes) {
  FtpTestServer server(Root());
  ASSERT_TRUE(server.ok());
  fs::create_directories(Root() + "/a");  // the first level exists: its MKD is answered "exists"
  for (const bool passive : {true, false}) {
    SCOPED_TRACE(passive ? "passive" : "active");
    FTPProtocol ftp(Settings(server, passive));
    ASSERT_EQ(ftp.Open(), kFtpGood) << ftp.detail();
    EXPECT_EQ(ftp.root(), "/");
    const std::string name = passive ? "p.txt" : "a.txt";
    ASSERT_TRUE(ftp.PutFile(Local(name, "contents " + name), "\\a\\b\\c\\", name)) << ftp.error() << ftp.detail();
    EXPECT_EQ(ReadText(Root() + "/a/b/c/" + name), "contents " + name);
    EXPECT_EQ(ftp.current(), "/a/b/c");
    EXPECT_FALSE(fs::exists(Root() + "/a/b/c/" + name + kTemporarySuffix));
  }
  // A base folder of one character is the root itself.
  FTPProtocol ftp(Settings(server));
  ASSERT_EQ(ftp.Open(), kFtpGood);
  ASSERT_TRUE(ftp.PutFile(Local("r.txt", "root"), "\\", "r.txt"));
  EXPECT_EQ(ReadText(Root() + "/r.txt"), "root");
  // Replacing a file keeps the newest contents.
  ASSERT_TRUE(ftp.PutFile(Local("r.txt", "newer"), "\\", "r.txt"));
  EXPECT_EQ(ReadText(Root() + "/r.txt"), "newer");
}

TEST_F(FtpServerTest, FolderThatCannotBeMadeFailsWithTheServersText) {
  FtpTestServer server(Root(), {"--refuse-mkd"});
  ASSERT_TRUE(server.ok());
  FTPProtocol ftp(Settings(server));
  ASSERT_EQ(ftp.Open(), kFtpGood);
  EXPECT_FALSE(ftp.SetFTPDirectory("new\\place"));
  EXPECT_EQ(ftp.error(), kInetErrorExtended);
  EXPECT_NE(ftp.response().find("Permission denied"), std::string::npos);
  EXPECT_FALSE(ftp.PutFile(Local("x.txt", "x"), "new", "x.txt"));
  EXPECT_FALSE(fs::exists(Root() + "/new"));
}

TEST_F(FtpServerTest, LoginFailuresGiveTheirMessages) {
  FtpTestServer server(Root());
  ASSERT_TRUE(server.ok());
  FtpSettings s = Settings(server);
  s.password = "wrong";
  FTPProtocol bad(s);
  EXPECT_EQ(bad.Open(), kFtpConnectFailed);
  EXPECT_EQ(bad.error(), kInetErrorBadPassword);
  EXPECT_EQ(FtpOpenFailureText(bad.status(), bad.error(), s.host, s.user),
            " Incorrect FTP Password for FTP name 'wx'.");
  EXPECT_FALSE(bad.PutFile(Local("x.txt", "x"), "", "x.txt"));

  // Nothing listens on the port any more.
  FtpSettings gone = Settings(server);
  {
    FtpTestServer other(Root());
    gone.port = static_cast<std::uint16_t>(other.port());
  }
  FTPProtocol refused(gone);
  EXPECT_EQ(refused.Open(), kFtpConnectFailed);
  EXPECT_EQ(refused.error(), kInetErrorCannotConnect);
  EXPECT_EQ(FtpOpenFailureText(refused.status(), refused.error(), "127.0.0.1", "wx"),
            " Unable to Connect to the FTP server '127.0.0.1' with user 'wx'.");

  EXPECT_EQ(FtpOpenFailureText(kFtpConnectFailed, kInetErrorNameNotResolved, "h", "u"),
            " Unable to find FTP host 'h'.");
  EXPECT_EQ(FtpOpenFailureText(kFtpConnectFailed, kInetErrorBadUserName, "h", "u"), " Incorrect FTP User Name 'u'.");
  EXPECT_EQ(FtpOpenFailureText(kFtpConnectFailed, kInetErrorLoginFailure, "h", "u"),
            " Unable to Login to the FTP server 'h' with user 'u'.");
  EXPECT_EQ(FtpOpenFailureText(kFtpConnectFailed, 12030, "h", "u"), " Error Connecting to the FTP server (12030).");
  EXPECT_EQ(FtpOpenFailureText(kFtpServiceFailed, 12004, "h", "u"),
            " Error Opening Internet Connection (12004) Check your settings.");
}

TEST_F(FtpServerTest, DroppedTransferLeavesNothingUnderTheFinalNameAndResetRecovers) {
  FtpTestServer server(Root(), {"--drop-after", "1000", "--drops", "1"});
  ASSERT_TRUE(server.ok());
  FTPProtocol ftp(Settings(server));
  ASSERT_EQ(ftp.Open(), kFtpGood);
  const std::string big(400000, 'x');
  const std::string local = Local("big.txt", big);
  EXPECT_FALSE(ftp.PutFile(local, "site", "big.txt"));
  EXPECT_NE(ftp.error(), kInetErrorNone);
  EXPECT_FALSE(fs::exists(Root() + "/site/big.txt"));  // only the temporary name saw the part
  ASSERT_TRUE(ftp.ResetFTP());
  ASSERT_TRUE(ftp.PutFile(local, "site", "big.txt")) << ftp.error() << ftp.detail();
  EXPECT_EQ(ReadText(Root() + "/site/big.txt"), big);
  EXPECT_FALSE(fs::exists(Root() + "/site/big.txt" + std::string(kTemporarySuffix)));
}

TEST_F(FtpServerTest, ExplicitTlsChecksTheServersCertificate) {
  const std::string pem = dir_ / "server.pem";
  const std::string make =
      "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 1 "
      "-subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 -keyout " +
      pem + " -out " + pem + " 2>/dev/null";
  ASSERT_EQ(std::system(make.c_str()), 0);
  FtpTestServer server(Root(), {"--tls", pem});
  ASSERT_TRUE(server.ok());
  // The login goes over TLS with the certificate checked, and so do the transfers: the
  // server takes data only over TLS.
  FtpSettings s = Settings(server);
  s.security = inet_extra::kFtpSecurityTls;
  s.ca_file = pem;  // the test's own authority
  FTPProtocol ftp(s);
  ASSERT_EQ(ftp.Open(), kFtpGood) << ftp.error() << " " << ftp.detail();
  ASSERT_TRUE(ftp.SetFTPDirectory("secure\\")) << ftp.detail();
  EXPECT_TRUE(fs::is_directory(Root() + "/secure"));
  std::string big;
  for (int i = 0; big.size() < 300000; ++i) big += "line " + std::to_string(i) + " of a page\n";
  ASSERT_TRUE(ftp.PutFile(Local("index.htm", big), "\\secure\\www\\", "index.htm")) << ftp.error() << ftp.detail();
  EXPECT_EQ(ReadText(Root() + "/secure/www/index.htm"), big);
  ASSERT_TRUE(ftp.PutFile(Local("index.htm", "newer"), "\\secure\\www\\", "index.htm")) << ftp.detail();
  EXPECT_EQ(ReadText(Root() + "/secure/www/index.htm"), "newer");
  EXPECT_FALSE(fs::exists(Root() + "/secure/www/index.htm" + std::string(kTemporarySuffix)));

  // Without it the certificate is nobody's: no session, and nothing sent in clear.
  s.ca_file = dir_ / "empty.pem";
  WriteText(s.ca_file, "");
  FTPProtocol untrusted(s);
  EXPECT_EQ(untrusted.Open(), kFtpConnectFailed);
  EXPECT_EQ(untrusted.error(), kInetErrorSecure);
  // A plain FTP client is refused by the server that requires TLS.
  FTPProtocol plain(Settings(server));
  EXPECT_EQ(plain.Open(), kFtpConnectFailed);
}

// SFTP to a server whose host key is known: folders made level by level, a file put
// under its temporary name and renamed over the old one (which an SFTP rename does not
// replace by itself). A server whose key is not known gets no session.
TEST_F(FtpServerTest, SftpUploadsToAKnownServerOnly) {
  const std::string known = dir_ / "known_hosts";
  FtpTestServer server(Root(), {"--sftp", known});
  ASSERT_TRUE(server.ok());
  FtpSettings s = Settings(server);
  s.security = inet_extra::kFtpSecuritySftp;
  s.known_hosts = known;
  FTPProtocol sftp(s);
  ASSERT_EQ(sftp.Open(), kFtpGood) << sftp.error() << " " << sftp.detail();
  ASSERT_TRUE(sftp.PutFile(Local("index.htm", "first"), "\\www\\pages\\", "index.htm"))
      << sftp.error() << " " << sftp.detail();
  EXPECT_EQ(ReadText(Root() + "/www/pages/index.htm"), "first");
  ASSERT_TRUE(sftp.PutFile(Local("index.htm", "second"), "\\www\\pages\\", "index.htm")) << sftp.detail();
  EXPECT_EQ(ReadText(Root() + "/www/pages/index.htm"), "second");
  EXPECT_FALSE(fs::exists(Root() + "/www/pages/index.htm" + std::string(kTemporarySuffix)));

  s.known_hosts = dir_ / "nobody_known";
  WriteText(s.known_hosts, "");
  FTPProtocol stranger(s);
  EXPECT_EQ(stranger.Open(), kFtpConnectFailed);
  EXPECT_EQ(stranger.error(), kInetErrorSecure) << stranger.detail();
}

}  // namespace
}  // namespace sq
