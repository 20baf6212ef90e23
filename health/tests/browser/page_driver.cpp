// health_page_driver: opens a page in headless Chromium, driven over the
// DevTools protocol on a pipe (no other program needed), runs a check
// script in it and reports what the script found.
//
//   health_page_driver --chromium PATH --page FILE --script FILE... --out DIR
//                      [--arg NAME=VALUE]... [--window WIDTHxHEIGHT]
//                      [--timeout SECONDS] [--allow-console] [--early]
//
// The scripts, joined in order, are the body of an async function run after
// the page's load event (with --early: as soon as the page's status element
// is read, while the rest may still be loading), with args.NAME for each --arg; it returns
// {checks: [{name, ok, detail}], figures: {...}}. Inside
// it, `await shot(name[, element])` writes DIR/name.png: the viewport, or
// the whole element, and `await input([{type, x, y, button, buttons, clicks}])` sends
// mouse events (the protocol's mousePressed, mouseMoved, mouseReleased, at
// viewport coordinates) as the browser's own input. Exit status 0 when every check passed, the script ended
// without error and the page wrote nothing to its console (unless
// --allow-console); 1 otherwise. DIR/results.json keeps what the script
// returned, DIR/chromium.log the browser's own output. POSIX only.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// ---- A small JSON value: enough for the protocol's messages. ----

struct Json {
    enum class Type { kNull, kBool, kNumber, kString, kArray, kObject } type = Type::kNull;
    bool boolean = false;
    double number = 0.0;
    std::string text;
    std::vector<Json> items;
    std::map<std::string, Json> fields;

    // Given a key, returns the field, or a null value when there is none.
    const Json& operator[](const std::string& key) const {
        static const Json none;
        const auto found = fields.find(key);
        return found == fields.end() ? none : found->second;
    }
    // Given a key, returns whether the object has that field.
    bool Has(const std::string& key) const { return fields.count(key) > 0; }
};

class JsonParser {
  public:
    explicit JsonParser(const std::string& text) : text_(text) {}

    // Returns the value the whole text holds; throws on malformed text.
    Json Parse() {
        Json value = Value();
        Space();
        if (at_ != text_.size()) Fail("text after the value");
        return value;
    }

  private:
    [[noreturn]] void Fail(const char* what) {
        throw std::runtime_error(std::string("JSON: ") + what + " at " + std::to_string(at_));
    }
    void Space() {
        while (at_ < text_.size() &&
               (text_[at_] == ' ' || text_[at_] == '\n' || text_[at_] == '\r' || text_[at_] == '\t')) {
            ++at_;
        }
    }
    bool Take(char c) {
        Space();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    void Expect(char c) {
        if (!Take(c)) Fail("unexpected character");
    }
    static void AppendUtf8(std::string& out, unsigned code) {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    unsigned Hex4() {
        if (at_ + 4 > text_.size()) Fail("short \\u escape");
        const unsigned value = static_cast<unsigned>(std::stoul(text_.substr(at_, 4), nullptr, 16));
        at_ += 4;
        return value;
    }
    std::string String() {
        Expect('"');
        std::string out;
        while (at_ < text_.size() && text_[at_] != '"') {
            char c = text_[at_++];
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at_ >= text_.size()) Fail("unfinished escape");
            c = text_[at_++];
            switch (c) {
                case 'n':
                    out += '\n';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'u': {
                    unsigned code = Hex4();
                    if (code >= 0xD800 && code < 0xDC00 && text_.compare(at_, 2, "\\u") == 0) {
                        at_ += 2;
                        code = 0x10000 + ((code - 0xD800) << 10) + (Hex4() - 0xDC00);
                    }
                    AppendUtf8(out, code);
                    break;
                }
                default:
                    out += c;
            }
        }
        if (at_ >= text_.size()) Fail("unfinished string");
        ++at_;
        return out;
    }
    Json Value() {
        Space();
        if (at_ >= text_.size()) Fail("no value");
        Json value;
        const char c = text_[at_];
        if (c == '{') {
            value.type = Json::Type::kObject;
            ++at_;
            if (Take('}')) return value;
            do {
                Space();
                std::string key = String();
                Expect(':');
                value.fields[key] = Value();
            } while (Take(','));
            Expect('}');
        } else if (c == '[') {
            value.type = Json::Type::kArray;
            ++at_;
            if (Take(']')) return value;
            do value.items.push_back(Value());
            while (Take(','));
            Expect(']');
        } else if (c == '"') {
            value.type = Json::Type::kString;
            value.text = String();
        } else if (text_.compare(at_, 4, "true") == 0 || text_.compare(at_, 5, "false") == 0) {
            value.type = Json::Type::kBool;
            value.boolean = c == 't';
            at_ += value.boolean ? 4 : 5;
        } else if (text_.compare(at_, 4, "null") == 0) {
            at_ += 4;
        } else {
            std::size_t used = 0;
            value.type = Json::Type::kNumber;
            value.number = std::stod(text_.substr(at_, 40), &used);
            at_ += used;
        }
        return value;
    }

    const std::string& text_;
    std::size_t at_ = 0;
};

// Given text, returns it as a quoted JSON string.
std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char buffer[8];
                    std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(c));
                    out += buffer;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

// Given base64 text, returns the bytes it encodes (other characters skipped).
std::string Base64Decode(const std::string& text) {
    std::string out;
    unsigned buffer = 0;
    int bits = 0;
    for (char c : text) {
        int value;
        if (c >= 'A' && c <= 'Z') {
            value = c - 'A';
        } else if (c >= 'a' && c <= 'z') {
            value = c - 'a' + 26;
        } else if (c >= '0' && c <= '9') {
            value = c - '0' + 52;
        } else if (c == '+') {
            value = 62;
        } else if (c == '/') {
            value = 63;
        } else {
            continue;
        }
        buffer = (buffer << 6) | static_cast<unsigned>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((buffer >> bits) & 0xFF);
        }
    }
    return out;
}

// Given a path, returns the file's bytes; throws when it cannot be read.
std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path.string());
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Given a path and bytes, writes the file; throws when it cannot.
void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    if (!out) throw std::runtime_error("cannot write " + path.string());
}

// ---- The browser on the other end of two pipes. ----

class Browser {
  public:
    // Given the program, its flags and the folder for its log, starts it with
    // the protocol on file descriptors 3 (commands in) and 4 (answers out).
    Browser(const std::string& program, const std::vector<std::string>& flags, const fs::path& log) {
        int to_browser[2], from_browser[2];
        if (pipe(to_browser) != 0 || pipe(from_browser) != 0) throw std::runtime_error("pipe failed");
        pid_ = fork();
        if (pid_ < 0) throw std::runtime_error("fork failed");
        if (pid_ == 0) {
            const int log_fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (log_fd >= 0) {
                dup2(log_fd, 1);
                dup2(log_fd, 2);
            }
            // Moved out of the way of 3 and 4 first, then into place.
            const int in = fcntl(to_browser[0], F_DUPFD, 10);
            const int out = fcntl(from_browser[1], F_DUPFD, 10);
            dup2(in, 3);
            dup2(out, 4);
            std::vector<char*> argv;
            argv.push_back(const_cast<char*>(program.c_str()));
            for (const std::string& flag : flags) argv.push_back(const_cast<char*>(flag.c_str()));
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        close(to_browser[0]);
        close(from_browser[1]);
        write_fd_ = to_browser[1];
        read_fd_ = from_browser[0];
        signal(SIGPIPE, SIG_IGN);
    }
    ~Browser() {
        close(write_fd_);
        close(read_fd_);
        if (pid_ > 0) {
            int status = 0;
            for (int i = 0; i < 50 && waitpid(pid_, &status, WNOHANG) == 0; ++i) usleep(100000);
            if (waitpid(pid_, &status, WNOHANG) == 0) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
            }
        }
    }
    Browser(const Browser&) = delete;
    Browser& operator=(const Browser&) = delete;

    // Given a method, its parameters as JSON and a session (empty: the
    // browser), sends the command and returns its number.
    int Send(const std::string& method, const std::string& params = "{}", const std::string& session = "") {
        const int id = ++last_id_;
        std::string message =
            "{\"id\":" + std::to_string(id) + ",\"method\":" + Quoted(method) + ",\"params\":" + params;
        if (!session.empty()) message += ",\"sessionId\":" + Quoted(session);
        message += "}";
        message += '\0';
        std::size_t written = 0;
        while (written < message.size()) {
            const ssize_t n = write(write_fd_, message.data() + written, message.size() - written);
            if (n <= 0) throw std::runtime_error("the browser closed its command pipe");
            written += static_cast<std::size_t>(n);
        }
        return id;
    }

    // Given a command's number, reads messages (handing events to the
    // handler) until its answer comes and returns the answer's result;
    // throws on an error answer or when the deadline passes.
    Json Await(int id) {
        for (;;) {
            const auto found = answers_.find(id);
            if (found != answers_.end()) {
                Json answer = found->second;
                answers_.erase(found);
                if (answer.Has("error")) {
                    throw std::runtime_error("protocol error: " + answer["error"]["message"].text);
                }
                return answer["result"];
            }
            Json message = Next();
            if (message.Has("id")) {
                answers_[static_cast<int>(message["id"].number)] = message;
            } else if (on_event) {
                on_event(message);
            }
        }
    }

    Json Call(const std::string& method, const std::string& params = "{}", const std::string& session = "") {
        return Await(Send(method, params, session));
    }

    std::function<void(const Json&)> on_event;
    std::chrono::steady_clock::time_point deadline;

  private:
    Json Next() {
        for (;;) {
            const std::size_t end = buffer_.find('\0');
            if (end != std::string::npos) {
                const std::string text = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                return JsonParser(text).Parse();
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0) throw std::runtime_error("timed out waiting for the browser");
            pollfd fd{read_fd_, POLLIN, 0};
            if (poll(&fd, 1, static_cast<int>(std::min<long long>(left, 1000))) <= 0) continue;
            char chunk[1 << 16];
            const ssize_t n = read(read_fd_, chunk, sizeof chunk);
            if (n <= 0) throw std::runtime_error("the browser ended (see chromium.log)");
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
    }

    pid_t pid_ = -1;
    int write_fd_ = -1;
    int read_fd_ = -1;
    int last_id_ = 0;
    std::string buffer_;
    std::map<int, Json> answers_;
};

struct Options {
    std::string chromium;
    fs::path page, out;
    std::vector<fs::path> scripts;       // run in order, as one function
    std::vector<std::string> arguments;  // NAME=VALUE, given to the scripts as args.NAME
    int width = 1400, height = 900;
    double timeout_s = 120.0;
    bool allow_console = false;
    bool early = false;  // run the scripts once the page's status element is read, not after load
};

// Given the command line, returns the options; throws on a wrong one.
Options ParseArguments(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const auto value = [&]() -> std::string {
            if (i + 1 >= argc) throw std::runtime_error(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--chromium") {
            options.chromium = value();
        } else if (arg == "--page") {
            options.page = fs::absolute(value());
        } else if (arg == "--script") {
            options.scripts.push_back(value());
        } else if (arg == "--arg") {
            options.arguments.push_back(value());
        } else if (arg == "--out") {
            options.out = value();
        } else if (arg == "--window") {
            const std::string size = value();
            if (std::sscanf(size.c_str(), "%dx%d", &options.width, &options.height) != 2) {
                throw std::runtime_error("--window WIDTHxHEIGHT");
            }
        } else if (arg == "--timeout") {
            options.timeout_s = std::stod(value());
        } else if (arg == "--early") {
            options.early = true;
        } else if (arg == "--allow-console") {
            options.allow_console = true;
        } else {
            throw std::runtime_error("unknown argument " + arg);
        }
    }
    if (options.chromium.empty() || options.page.empty() || options.scripts.empty() || options.out.empty()) {
        throw std::runtime_error("--chromium, --page, --script and --out are needed");
    }
    return options;
}

// Given the options, runs the page and its checks; returns the exit status.
int Run(const Options& options) {
    fs::remove_all(options.out);
    fs::create_directories(options.out / "profile");
    std::string script = "const args = {";
    for (const std::string& argument : options.arguments) {
        const std::size_t equals = argument.find('=');
        if (equals == std::string::npos) throw std::runtime_error("--arg NAME=VALUE");
        script += Quoted(argument.substr(0, equals)) + ":" + Quoted(argument.substr(equals + 1)) + ",";
    }
    script += "};\n";
    for (const fs::path& file : options.scripts) script += ReadText(file) + "\n";
    const std::vector<std::string> flags = {
        "--headless",
        "--no-sandbox",
        "--disable-gpu",
        "--disable-quic",
        "--no-first-run",
        "--disable-background-networking",
        "--disable-component-update",
        "--disable-sync",
        "--hide-scrollbars",
        "--remote-debugging-pipe",
        "--user-data-dir=" + (options.out / "profile").string(),
        "--window-size=" + std::to_string(options.width) + "," + std::to_string(options.height),
        "about:blank"};
    Browser browser(options.chromium, flags, options.out / "chromium.log");
    browser.deadline = std::chrono::steady_clock::now() +
                       std::chrono::milliseconds(static_cast<long long>(options.timeout_s * 1000));

    const Json target = browser.Call("Target.createTarget", "{\"url\":\"about:blank\"}");
    const std::string session =
        browser
            .Call("Target.attachToTarget",
                  "{\"targetId\":" + Quoted(target["targetId"].text) + ",\"flatten\":true}")["sessionId"]
            .text;

    std::vector<std::string> console;
    bool loaded = false;
    int shots = 0;
    browser.on_event = [&](const Json& event) {
        const std::string& method = event["method"].text;
        const Json& params = event["params"];
        if (method == "Runtime.consoleAPICalled") {
            std::string text = "console." + params["type"].text + ":";
            for (const Json& arg : params["args"].items) {
                text += " " + (arg["type"].text == "string" ? arg["value"].text : arg["description"].text);
            }
            console.push_back(text);
        } else if (method == "Runtime.exceptionThrown") {
            const Json& details = params["exceptionDetails"];
            console.push_back("exception: " + details["text"].text + " " +
                              details["exception"]["description"].text);
        } else if (method == "Log.entryAdded") {
            const Json& entry = params["entry"];
            if (entry["level"].text == "error" || entry["level"].text == "warning") {
                console.push_back("log." + entry["level"].text + ": " + entry["text"].text);
            }
        } else if (method == "Page.loadEventFired") {
            loaded = true;
        } else if (method == "Inspector.targetCrashed") {
            throw std::runtime_error("the page crashed");
        } else if (method == "Runtime.bindingCalled" && params["name"].text == "reportInput") {
            // Mouse events as the browser's own input, then the script goes on.
            const Json request = JsonParser(params["payload"].text).Parse();
            for (const Json& mouse : request["events"].items) {
                const auto integer = [&](const char* key) {
                    return std::to_string(static_cast<long long>(mouse[key].number));
                };
                browser.Call("Input.dispatchMouseEvent",
                             "{\"type\":" + Quoted(mouse["type"].text) + ",\"x\":" + integer("x") +
                                 ",\"y\":" + integer("y") + ",\"button\":" +
                                 Quoted(mouse["button"].text.empty() ? "none" : mouse["button"].text) +
                                 ",\"buttons\":" + integer("buttons") +
                                 ",\"clickCount\":" + integer("clicks") + "}",
                             session);
            }
            browser.Send("Runtime.evaluate", "{\"expression\":\"window.__inputDone()\"}", session);
        } else if (method == "Runtime.bindingCalled" && params["name"].text == "reportShot") {
            const Json request = JsonParser(params["payload"].text).Parse();
            std::string capture = "{\"format\":\"png\"";
            if (request["clip"].type == Json::Type::kObject) {
                const Json& clip = request["clip"];
                capture +=
                    ",\"captureBeyondViewport\":true,\"clip\":{\"x\":" + std::to_string(clip["x"].number) +
                    ",\"y\":" + std::to_string(clip["y"].number) +
                    ",\"width\":" + std::to_string(clip["width"].number) +
                    ",\"height\":" + std::to_string(clip["height"].number) + ",\"scale\":1}";
            }
            capture += "}";
            const Json image = browser.Call("Page.captureScreenshot", capture, session);
            const std::string name = request["name"].text;
            WriteText(options.out / (name + ".png"), Base64Decode(image["data"].text));
            ++shots;
            browser.Send("Runtime.evaluate",
                         "{\"expression\":" + Quoted("window.__shotTaken(" + Quoted(name) + ")") + "}",
                         session);
        }
    };

    browser.Call("Runtime.enable", "{}", session);
    browser.Call("Page.enable", "{}", session);
    browser.Call("Log.enable", "{}", session);
    browser.Call("Emulation.setDeviceMetricsOverride",
                 "{\"width\":" + std::to_string(options.width) + ",\"height\":" +
                     std::to_string(options.height) + ",\"deviceScaleFactor\":1,\"mobile\":false}",
                 session);
    browser.Call("Runtime.addBinding", "{\"name\":\"reportShot\"}", session);
    browser.Call("Runtime.addBinding", "{\"name\":\"reportInput\"}", session);
    const auto start = std::chrono::steady_clock::now();
    const Json navigated =
        browser.Call("Page.navigate", "{\"url\":" + Quoted("file://" + options.page.string()) + "}", session);
    if (navigated.Has("errorText"))
        throw std::runtime_error("navigation failed: " + navigated["errorText"].text);
    if (options.early) {
        // The page's own script is read right after its status element.
        const std::string probe =
            "{\"expression\":\"location.protocol === 'file:' && !!document.getElementById('report-status')\","
            "\"returnByValue\":true}";
        while (!browser.Call("Runtime.evaluate", probe, session)["result"]["value"].boolean) usleep(20000);
    } else {
        while (!loaded) browser.Await(browser.Send("Runtime.evaluate", "{\"expression\":\"1\"}", session));
    }
    const double load_s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    // The script's helpers: shot(name[, element]) resolves once the file is
    // written.
    const std::string prelude =
        "window.__shotWaiters = {};"
        "window.__shotTaken = function (name) { var w = window.__shotWaiters[name]; "
        "delete window.__shotWaiters[name]; if (w) w(); };"
        "const shot = (name, element) => new Promise((resolve) => {"
        "  window.__shotWaiters[name] = resolve;"
        "  var request = { name: name };"
        "  if (element) { var r = element.getBoundingClientRect();"
        "    request.clip = { x: r.left + window.scrollX, y: r.top + window.scrollY, width: r.width,"
        "                     height: r.height }; }"
        "  requestAnimationFrame(() => requestAnimationFrame(() => reportShot(JSON.stringify(request))));"
        "});"
        "const input = (events) => new Promise((resolve) => {"
        "  window.__inputDone = resolve; reportInput(JSON.stringify({ events: events }));"
        "});\n";
    const Json evaluated =
        browser.Call("Runtime.evaluate",
                     "{\"expression\":" +
                         Quoted("(async () => {" + prelude + script + "\n})().then(r => JSON.stringify(r))") +
                         ",\"awaitPromise\":true,\"returnByValue\":true}",
                     session);
    if (evaluated.Has("exceptionDetails")) {
        const Json& details = evaluated["exceptionDetails"];
        std::fprintf(stderr, "the check script failed: %s %s\n", details["text"].text.c_str(),
                     details["exception"]["description"].text.c_str());
        return 1;
    }
    const std::string result_text = evaluated["result"]["value"].text;
    WriteText(options.out / "results.json", result_text + "\n");
    browser.Call("Browser.close");

    const Json result = JsonParser(result_text).Parse();
    int failed = 0, passed = 0;
    for (const Json& check : result["checks"].items) {
        const bool ok = check["ok"].type == Json::Type::kBool && check["ok"].boolean;
        failed += ok ? 0 : 1;
        passed += ok ? 1 : 0;
        std::printf("%s %s%s%s\n", ok ? "ok  " : "FAIL", check["name"].text.c_str(),
                    check["detail"].text.empty() ? "" : ": ", check["detail"].text.c_str());
    }
    for (const auto& figure : result["figures"].fields) {
        if (figure.second.type == Json::Type::kNumber) {
            std::printf("figure %s = %g\n", figure.first.c_str(), figure.second.number);
        } else {
            std::printf("figure %s = %s\n", figure.first.c_str(), figure.second.text.c_str());
        }
    }
    std::printf("%s after %.2f s; %d screenshots in %s\n", options.early ? "scripts started" : "load event",
                load_s, shots, options.out.c_str());
    if (result["checks"].items.empty()) {
        std::printf("FAIL the script returned no checks\n");
        failed += 1;
    }
    if (!console.empty() && !options.allow_console) {
        for (const std::string& line : console) std::printf("FAIL console: %s\n", line.c_str());
        failed += 1;
    }
    std::printf("%d checks passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const Options options = ParseArguments(argc, argv);
        const int status = Run(options);
        // The browser has ended by now; its profile is of no further use.
        std::error_code ignored;
        fs::remove_all(options.out / "profile", ignored);
        return status;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "health_page_driver: %s\n", error.what());
        return 1;
    }
}
