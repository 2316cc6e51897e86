#include "tools/mirai-standin/ApiServer.h"

#include <httplib.h>
#include <iconv.h>
#include <sys/socket.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <functional>

#include "tools/mirai-standin/ApiError.h"
#include "tools/mirai-standin/BotWorld.h"
#include "tools/mirai-standin/ConsoleOutput.h"
#include "tools/mirai-standin/MessageChain.h"
#include "tools/mirai-standin/RequestRecorder.h"

namespace vkr::standin {

namespace {

constexpr const char* kJsonType = "application/json; charset=UTF-8";
constexpr const char* kPluginIdentity = "net.mamoe.mirai-api-http";
constexpr const char* kStackTrace =
    "\tat net.mamoe.mirai.api.http.route.RouteKt$intercept$1.invokeSuspend(Route.kt:119)\n"
    "\tat kotlin.coroutines.jvm.internal.BaseContinuationImpl.resumeWith(ContinuationImpl.kt:33)";

std::string Dump(const Json& json) { return json.dump(-1, ' ', false, Json::error_handler_t::replace); }

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The charset named in a Content-Type header; UTF-8 when none is named.
std::string CharsetOf(const httplib::Request& request) {
    std::string type = Lower(request.get_header_value("Content-Type"));
    size_t at = type.find("charset=");
    if (at == std::string::npos) return "utf-8";
    std::string charset = type.substr(at + 8);
    size_t end = charset.find_first_of("; ");
    charset = charset.substr(0, end);
    if (charset.size() >= 2 && charset.front() == '"') charset = charset.substr(1, charset.size() - 2);
    return charset;
}

std::optional<std::string> ToUtf8(const std::string& text, const std::string& charset) {
    if (charset == "utf-8" || charset == "utf8") return text;
    iconv_t converter = iconv_open("UTF-8", charset.c_str());
    if (converter == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string input = text;
    std::string output(text.size() * 4 + 16, '\0');
    char* in = input.data();
    size_t inLeft = input.size();
    char* out = output.data();
    size_t outLeft = output.size();
    size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
    iconv_close(converter);
    if (result == static_cast<size_t>(-1)) return std::nullopt;
    output.resize(output.size() - outLeft);
    return output;
}

// Typed access to a POST body; any missing required member or wrong type
// makes the whole body unparseable (HTTP 400), as with the plug-in's parser.
class Body {
public:
    explicit Body(const httplib::Request& request) {
        std::optional<std::string> text = ToUtf8(request.body, CharsetOf(request));
        if (!text) throw ApiError::BadRequest();
        json_ = Json::parse(*text, nullptr, false);
        if (!json_.is_object()) throw ApiError::BadRequest();
    }

    std::string String(const char* name) const { return Required(OptString(name)); }
    int64_t Long(const char* name) const { return Required(OptLong(name)); }
    int32_t Int(const char* name) const { return Required(OptInt(name)); }
    const Json& Object(const char* name) const {
        const Json* value = Find(name);
        if (value == nullptr || !value->is_object()) throw ApiError::BadRequest();
        return *value;
    }
    const Json& Array(const char* name) const {
        const Json* value = Find(name);
        if (value == nullptr || !value->is_array()) throw ApiError::BadRequest();
        return *value;
    }

    std::optional<std::string> OptString(const char* name) const { return OptStringOf(json_, name); }
    std::optional<int64_t> OptLong(const char* name) const {
        const Json* value = Find(name);
        if (value == nullptr) return std::nullopt;
        if (!value->is_number_integer() || (value->is_number_unsigned() && value->get<uint64_t>() > INT64_MAX)) {
            throw ApiError::BadRequest();
        }
        return value->get<int64_t>();
    }
    std::optional<int32_t> OptInt(const char* name) const {
        std::optional<int64_t> value = OptLong(name);
        if (value && (*value < INT32_MIN || *value > INT32_MAX)) throw ApiError::BadRequest();
        return value ? std::optional<int32_t>(static_cast<int32_t>(*value)) : std::nullopt;
    }

    static std::optional<std::string> OptStringOf(const Json& object, const char* name) {
        auto found = object.find(name);
        if (found == object.end() || found->is_null()) return std::nullopt;
        if (!found->is_string()) throw ApiError::BadRequest();
        return found->get<std::string>();
    }
    static std::optional<bool> OptBoolOf(const Json& object, const char* name) {
        auto found = object.find(name);
        if (found == object.end() || found->is_null()) return std::nullopt;
        if (!found->is_boolean()) throw ApiError::BadRequest();
        return found->get<bool>();
    }

private:
    const Json* Find(const char* name) const {
        auto found = json_.find(name);
        return found == json_.end() || found->is_null() ? nullptr : &*found;
    }
    template <typename T>
    static T Required(const std::optional<T>& value) {
        if (!value) throw ApiError::BadRequest();
        return *value;
    }

    Json json_;
};

// Query access for GET routes: the session key first (400 when absent), then
// numbers, which fail the way Java's parser does.
class Query {
public:
    explicit Query(const httplib::Request& request) : request_(request) {}

    std::string SessionKey() const {
        if (!request_.has_param("sessionKey")) throw ApiError::BadRequest();
        return request_.get_param_value("sessionKey");
    }
    int32_t Int(const char* name) const {
        int64_t value = Number(name, "Int");
        if (value < INT32_MIN || value > INT32_MAX) throw NotANumber(request_.get_param_value(name));
        return static_cast<int32_t>(value);
    }
    int64_t Long(const char* name) const { return Number(name, "Long"); }

private:
    int64_t Number(const char* name, const char* typeName) const {
        if (!request_.has_param(name)) {
            throw ApiError::BadRequest(std::string("Illegal param. A ") + typeName + " is required for `" + name +
                                       "` while `null` is given");
        }
        std::string text = request_.get_param_value(name);
        int64_t value = 0;
        // Java's parser takes one leading '+' as well as a '-'.
        bool plus = text.size() > 1 && text[0] == '+' && text[1] != '-';
        const char* begin = text.data() + (plus ? 1 : 0);
        auto [end, error] = std::from_chars(begin, text.data() + text.size(), value);
        if (text.empty() || error != std::errc() || end != text.data() + text.size()) throw NotANumber(text);
        return value;
    }
    static ApiError NotANumber(const std::string& text) {
        return ApiError::Internal("java.lang.NumberFormatException", "For input string: \"" + text + "\"");
    }

    const httplib::Request& request_;
};

Json StateJson(int code) {
    Json json;
    json["code"] = code;
    json["msg"] = StateMessage(code);
    return json;
}

std::string QueryOf(const httplib::Request& request) {
    size_t mark = request.target.find('?');
    return mark == std::string::npos ? "" : request.target.substr(mark + 1);
}

std::string BindFailureText(int error) {
    switch (error) {
        case EADDRINUSE: return "java.net.BindException: Address already in use";
        case EADDRNOTAVAIL: return "java.net.BindException: Cannot assign requested address";
        case EACCES: return "java.net.SocketException: Permission denied";
        case 0: return "java.nio.channels.UnresolvedAddressException";
        default: return std::string("java.net.SocketException: ") + std::strerror(error);
    }
}

}  // namespace

ApiServer::ApiServer(BotWorld& world, ConsoleOutput& console, std::string authKey, RequestRecorder* recorder,
                     bool verbose)
    : world_(world),
      console_(console),
      authKey_(std::move(authKey)),
      recorder_(recorder),
      verbose_(verbose),
      server_(std::make_unique<httplib::Server>()) {
    // Clients keep one connection per API object open; a connection holds a
    // pool thread while it lives, so the pool is generous.
    server_->new_task_queue = [] { return new httplib::ThreadPool(32); };
    server_->set_keep_alive_max_count(1000000);
    server_->set_tcp_nodelay(true);
    // Only SO_REUSEADDR: a second server on a taken port must fail to bind.
    server_->set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    AddRoutes();
}

ApiServer::~ApiServer() { Stop(); }

std::optional<std::string> ApiServer::Bind(const std::string& host, int port) {
    if (port < 0 || port > 65535) return "java.lang.IllegalArgumentException: port out of range:" + std::to_string(port);
    errno = 0;
    if (server_->bind_to_port(host, port)) return std::nullopt;
    return BindFailureText(errno);
}

void ApiServer::Start() {
    thread_ = std::thread([this] {
        server_->listen_after_bind();
        loopEnded_ = true;
    });
    // The library ignores a stop that arrives before its listening loop has
    // begun, and that loop would then never end: return once it runs.
    while (!server_->is_running() && !loopEnded_) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void ApiServer::Stop() {
    if (!thread_.joinable()) return;
    server_->stop();
    thread_.join();
}

void ApiServer::AddRoutes() {
    using Handler = std::function<Json(const httplib::Request&)>;
    // Every route records the request, runs its handler and turns an ApiError
    // into the answer the plug-in gives; nothing escapes to the library.
    auto wrap = [this](Handler handler) {
        return [this, handler](const httplib::Request& request, httplib::Response& response) {
            if (recorder_) recorder_->Record(request.method, request.path, QueryOf(request), request.body);
            if (verbose_) console_.Log(LogLevel::Debug, "stand-in", request.method + " " + request.target);
            ApiError failure;
            try {
                response.set_content(Dump(handler(request)), kJsonType);
                return;
            } catch (const ApiError& error) {
                failure = error;
            } catch (const std::exception& error) {
                failure = ApiError::Internal("java.lang.IllegalStateException", error.what());
            }
            response.status = failure.httpStatus;
            response.set_content(failure.body, failure.contentType.c_str());
            if (failure.loggedException) console_.LogException(kPluginIdentity, *failure.loggedException, kStackTrace);
        };
    };
    auto post = [&](const char* path, Handler handler) { server_->Post(path, wrap(std::move(handler))); };
    auto get = [&](const char* path, Handler handler) { server_->Get(path, wrap(std::move(handler))); };
    auto success = [] { return StateJson(0); };

    post("/auth", [this](const httplib::Request& request) {
        Body body(request);
        if (body.String("authKey") != authKey_) throw ApiError::State(1);
        Json answer;
        answer["code"] = 0;
        answer["session"] = world_.Auth();
        return answer;
    });
    post("/verify", [this, success](const httplib::Request& request) {
        Body body(request);
        world_.Verify(body.String("sessionKey"), body.Long("qq"));
        return success();
    });
    post("/release", [this, success](const httplib::Request& request) {
        Body body(request);
        world_.Release(body.String("sessionKey"), body.Long("qq"));
        return success();
    });

    auto sent = [](int32_t messageId) {
        Json answer = StateJson(0);
        answer["messageId"] = messageId;
        return answer;
    };
    // "target" wins over the alternative member when both are present.
    auto targetOr = [](const Body& body, const char* alternative) {
        std::optional<int64_t> target = body.OptLong("target");
        std::optional<int64_t> other = body.OptLong(alternative);
        return target ? target : other;
    };
    post("/sendFriendMessage", [this, sent, targetOr](const httplib::Request& request) {
        Body body(request);
        std::string key = body.String("sessionKey");
        std::optional<int64_t> target = targetOr(body, "qq");
        std::optional<int32_t> quote = body.OptInt("quote");
        std::vector<Json> chain = ParseOutgoingChain(body.Array("messageChain"));
        return sent(world_.SendFriendMessage(key, target, quote, chain));
    });
    post("/sendGroupMessage", [this, sent, targetOr](const httplib::Request& request) {
        Body body(request);
        std::string key = body.String("sessionKey");
        std::optional<int64_t> target = targetOr(body, "group");
        std::optional<int32_t> quote = body.OptInt("quote");
        std::vector<Json> chain = ParseOutgoingChain(body.Array("messageChain"));
        return sent(world_.SendGroupMessage(key, target, quote, chain));
    });
    post("/sendTempMessage", [this, sent](const httplib::Request& request) {
        Body body(request);
        std::string key = body.String("sessionKey");
        std::optional<int64_t> qq = body.OptLong("qq");
        std::optional<int64_t> group = body.OptLong("group");
        std::optional<int32_t> quote = body.OptInt("quote");
        std::vector<Json> chain = ParseOutgoingChain(body.Array("messageChain"));
        return sent(world_.SendTempMessage(key, qq, group, quote, chain));
    });
    post("/recall", [this, success](const httplib::Request& request) {
        Body body(request);
        world_.Recall(body.String("sessionKey"), body.Int("target"));
        return success();
    });

    get("/fetchMessage", [this](const httplib::Request& request) {
        Query query(request);
        std::string key = query.SessionKey();
        world_.RequireVerified(key);
        return world_.FetchMessage(key, query.Int("count"));
    });
    get("/messageFromId", [this](const httplib::Request& request) {
        Query query(request);
        std::string key = query.SessionKey();
        world_.RequireVerified(key);
        return world_.MessageFromId(key, query.Int("id"));
    });
    get("/friendList", [this](const httplib::Request& request) {
        return world_.FriendList(Query(request).SessionKey());
    });
    get("/groupList", [this](const httplib::Request& request) {
        return world_.GroupList(Query(request).SessionKey());
    });
    get("/memberList", [this](const httplib::Request& request) {
        Query query(request);
        std::string key = query.SessionKey();
        world_.RequireVerified(key);
        return world_.MemberList(key, query.Long("target"));
    });

    post("/muteAll", [this, success](const httplib::Request& request) {
        Body body(request);
        world_.SetMuteAll(body.String("sessionKey"), body.Long("target"), true);
        return success();
    });
    post("/unmuteAll", [this, success](const httplib::Request& request) {
        Body body(request);
        world_.SetMuteAll(body.String("sessionKey"), body.Long("target"), false);
        return success();
    });
    post("/mute", [this, success](const httplib::Request& request) {
        Body body(request);
        std::string key = body.String("sessionKey");
        int64_t group = body.Long("target");
        world_.Mute(key, group, body.OptLong("memberId").value_or(0), body.OptInt("time").value_or(0));
        return success();
    });
    post("/unmute", [this, success](const httplib::Request& request) {
        Body body(request);
        std::string key = body.String("sessionKey");
        int64_t group = body.Long("target");
        world_.Unmute(key, group, body.OptLong("memberId").value_or(0));
        return success();
    });
    post("/kick", [this, success](const httplib::Request& request) {
        Body body(request);
        std::string key = body.String("sessionKey");
        int64_t group = body.Long("target");
        int64_t member = body.Long("memberId");
        world_.Kick(key, group, member, body.OptString("msg").value_or(""));
        return success();
    });

    get("/groupConfig", [this](const httplib::Request& request) {
        Query query(request);
        std::string key = query.SessionKey();
        world_.RequireVerified(key);
        return world_.GetGroupConfig(key, query.Long("target"));
    });
    post("/groupConfig", [this, success](const httplib::Request& request) {
        Body body(request);
        std::string key = body.String("sessionKey");
        int64_t group = body.Long("target");
        const Json& config = body.Object("config");
        GroupConfigChange change{Body::OptStringOf(config, "name"), Body::OptStringOf(config, "announcement"),
                                 Body::OptBoolOf(config, "allowMemberInvite")};
        // Accepted but not applied, as the plug-in does; their types still count.
        for (const char* ignored : {"confessTalk", "autoApprove", "anonymousChat"}) Body::OptBoolOf(config, ignored);
        world_.SetGroupConfig(key, group, change);
        return success();
    });
    get("/memberInfo", [this](const httplib::Request& request) {
        Query query(request);
        std::string key = query.SessionKey();
        world_.RequireVerified(key);
        int64_t group = query.Long("target");
        return world_.GetMemberInfo(key, group, query.Long("memberId"));
    });
    post("/memberInfo", [this, success](const httplib::Request& request) {
        Body body(request);
        std::string key = body.String("sessionKey");
        int64_t group = body.Long("target");
        int64_t member = body.Long("memberId");
        const Json& info = body.Object("info");
        MemberInfoChange change{Body::OptStringOf(info, "name"), Body::OptStringOf(info, "specialTitle")};
        world_.SetMemberInfo(key, group, member, change);
        return success();
    });

    post("/uploadImage", [this](const httplib::Request& request) {
        // A body that is not multipart carries none of the three parts.
        for (const char* part : {"sessionKey", "type", "img"}) {
            if (!request.has_file(part)) throw ApiError::BadRequest();
        }
        httplib::MultipartFormData image = request.get_file_value("img");
        if (image.filename.empty()) throw ApiError::BadRequest("未知错误");
        return world_.UploadImage(request.get_file_value("sessionKey").content,
                                  request.get_file_value("type").content, image.filename, image.content);
    });
}

}  // namespace vkr::standin
