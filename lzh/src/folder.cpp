// Folder layer: recursive pack, safe unpack via temporary files, and archive test.
#include "lzh/folder.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>

#include "lzh/reader.h"

namespace fs = std::filesystem;

namespace lzh {

namespace {

Status fs_error(const std::string& what, const fs::path& path, const std::error_code& ec) {
    return Status::io_error(what + " " + path.string() + ": " + ec.message());
}

std::int64_t to_unix(fs::file_time_type t) {
    auto sys = fs::file_time_type::clock::to_sys(t);
    return std::chrono::duration_cast<std::chrono::seconds>(sys.time_since_epoch()).count();
}

fs::file_time_type from_unix(std::int64_t t) {
    return fs::file_time_type::clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(t)));
}

}  // namespace

// ---- default file system -------------------------------------------------------------------

Status FileSystem::list(const fs::path& folder, std::vector<FileInfo>& entries) {
    entries.clear();
    std::error_code ec;
    fs::directory_iterator it(folder, ec), end;
    if (ec) return fs_error("cannot list", folder, ec);
    for (; it != end; it.increment(ec)) {
        if (ec) return fs_error("cannot list", folder, ec);
        const fs::directory_entry& de = *it;
        FileInfo info;
        info.name = de.path().filename();
        auto st = de.symlink_status(ec);
        if (ec) return fs_error("cannot stat", de.path(), ec);
        if (fs::is_symlink(st)) continue;  // links are not followed: they could leave the folder
        info.is_directory = fs::is_directory(st);
        if (!info.is_directory && !fs::is_regular_file(st)) continue;
        if (!info.is_directory) {
            info.size = de.file_size(ec);
            if (ec) return fs_error("cannot stat", de.path(), ec);
        }
        auto t = de.last_write_time(ec);
        info.mtime = ec ? 0 : to_unix(t);
        info.attributes = info.is_directory ? attr::Directory : attr::Archive;
        if ((st.permissions() & fs::perms::owner_write) == fs::perms::none) info.attributes |= attr::ReadOnly;
        entries.push_back(std::move(info));
    }
    std::sort(entries.begin(), entries.end(), [](const FileInfo& a, const FileInfo& b) { return a.name < b.name; });
    return Status::ok();
}

Status FileSystem::open_read(const fs::path& file, std::unique_ptr<InputStream>& stream) {
    auto in = std::make_unique<FileInputStream>();
    LZH_TRY(in->open(file));
    stream = std::move(in);
    return Status::ok();
}

Status FileSystem::open_write(const fs::path& file, std::unique_ptr<SeekableOutputStream>& stream) {
    auto out = std::make_unique<FileOutputStream>();
    LZH_TRY(out->open(file));
    stream = std::move(out);
    return Status::ok();
}

Status FileSystem::create_new(const fs::path& file, std::unique_ptr<SeekableOutputStream>& stream, bool& existed) {
    auto out = std::make_unique<FileOutputStream>();
    LZH_TRY(out->create_new(file, existed));
    if (!existed) stream = std::move(out);
    return Status::ok();
}

Status FileSystem::close_write(std::unique_ptr<SeekableOutputStream>& stream) {
    Status s;
    if (auto* file = dynamic_cast<FileOutputStream*>(stream.get())) s = file->close();
    stream.reset();
    return s;
}

Status FileSystem::finish_write(const fs::path& file, std::unique_ptr<SeekableOutputStream>& stream,
                                std::int64_t mtime, std::uint8_t attributes) {
    LZH_TRY(close_write(stream));
    return set_info(file, mtime, attributes);
}

Status FileSystem::make_folder(const fs::path& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec || !fs::is_directory(folder, ec)) return fs_error("cannot create folder", folder, ec);
    return Status::ok();
}

Status FileSystem::set_info(const fs::path& path, std::int64_t mtime, std::uint8_t attributes) {
    std::error_code ec;
#ifdef _WIN32
    // MinGW's std::filesystem cannot open folders to set their time; the Windows file system
    // layer does that with its own calls. Files are set here.
    const bool skip_time = (attributes & attr::Directory) != 0;
#else
    const bool skip_time = false;
#endif
    if (!skip_time) fs::last_write_time(path, from_unix(mtime), ec);
    if (ec) return fs_error("cannot set time of", path, ec);
    if ((attributes & attr::ReadOnly) && !(attributes & attr::Directory)) {
        fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove, ec);
        if (ec) return fs_error("cannot set attributes of", path, ec);
    }
    return Status::ok();
}

bool FileSystem::exists(const fs::path& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

bool FileSystem::is_folder(const fs::path& path) {
    std::error_code ec;
    return fs::is_directory(fs::symlink_status(path, ec));
}

Status FileSystem::rename(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    fs::rename(from, to, ec);
    if (ec) return fs_error("cannot rename to", to, ec);
    return Status::ok();
}

Status FileSystem::remove(const fs::path& path) {
    std::error_code ec;
    fs::remove(path, ec);
    if (ec) return fs_error("cannot remove", path, ec);
    return Status::ok();
}

bool NameCodec::stand_in(const fs::path& component, std::string& bytes) {
    bytes.clear();
    const std::u8string name = component.u8string();
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto b = static_cast<unsigned char>(name[i]);
        if (b < 0x80) {
            bytes += static_cast<char>(b);
        } else if ((b & 0xC0) != 0x80) {
            bytes += '_';  // one for each character, whatever its length in UTF-8
        }
    }
    return !bytes.empty();
}

bool RawNameCodec::to_archive(const fs::path& component, std::string& bytes) {
    bytes = component.string();
    return true;
}

bool RawNameCodec::from_archive(const std::string& bytes, fs::path& component) {
    component = fs::path(bytes);
    return true;
}

// ---- pack ----------------------------------------------------------------------------------

namespace {

struct PackItem {
    fs::path path;
    std::string name;
    std::string unicode;  // the exact path as UTF-8 when some part of `name` is a stand-in, else ""
    FileInfo info;
};

std::string upper_ascii(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// A stand-in no other name of the folder has: "~1", "~2" ... before the extension when needed (names that
// differ only in letter case are the same name on Windows).
std::string unique_stand_in(const std::string& bytes, std::vector<std::string>& taken) {
    auto is_taken = [&taken](const std::string& name) {
        const std::string u = upper_ascii(name);
        return std::find(taken.begin(), taken.end(), u) != taken.end();
    };
    std::string candidate = bytes;
    const std::size_t dot = bytes.rfind('.');
    const std::string stem = dot == std::string::npos || dot == 0 ? bytes : bytes.substr(0, dot);
    const std::string ext = stem.size() == bytes.size() ? std::string() : bytes.substr(dot);
    for (int n = 1; is_taken(candidate); ++n) candidate = stem + "~" + std::to_string(n) + ext;
    taken.push_back(upper_ascii(candidate));
    return candidate;
}

std::string utf8_of(const fs::path& p) {
    const std::u8string u = p.u8string();
    return std::string(u.begin(), u.end());
}

Status collect(FileSystem& fsys, NameCodec& names, const fs::path& folder, const std::string& prefix,
               const std::string& unicodePrefix, bool lossy, std::vector<PackItem>& items, int depth) {
    if (depth > 256) return Status::unsupported("folders nested too deeply");
    std::vector<FileInfo> entries;
    LZH_TRY(fsys.list(folder, entries));
    // Exact names first, so that no stand-in takes the name of a file that has it.
    std::vector<std::string> bytes(entries.size()), taken;
    std::vector<bool> exact(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        exact[i] = names.to_archive(entries[i].name, bytes[i]) && !bytes[i].empty();
        if (exact[i]) taken.push_back(upper_ascii(bytes[i]));
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!exact[i]) {
            std::string stand_in;
            if (!names.stand_in(entries[i].name, stand_in) || stand_in.empty()) stand_in = "_";
            bytes[i] = unique_stand_in(stand_in, taken);
        }
        const bool here_lossy = lossy || !exact[i];
        const std::string unicode = unicodePrefix + utf8_of(entries[i].name);
        PackItem item{folder / entries[i].name, prefix + bytes[i], here_lossy ? unicode : std::string(), entries[i]};
        items.push_back(item);
        if (entries[i].is_directory)
            LZH_TRY(collect(fsys, names, item.path, item.name + "/", unicode + "/", here_lossy, items, depth + 1));
    }
    return Status::ok();
}

}  // namespace

Status pack_folder(FileSystem& fsys, NameCodec& names, const fs::path& folder, SeekableOutputStream& archive,
                   const PackOptions& options) {
    std::vector<PackItem> items;
    LZH_TRY(collect(fsys, names, folder, "", "", false, items, 0));
    std::uint64_t total = 0;
    for (const auto& item : items) total += item.info.size;

    Writer writer(archive, options.writer);
    std::uint64_t done_before = 0;
    for (const auto& item : items) {
        MemberInfo member{item.name, item.info.mtime, item.info.attributes, item.info.size, item.unicode};
        if (item.info.is_directory) {
            LZH_TRY(writer.add_directory(member));
            continue;
        }
        std::unique_ptr<InputStream> in;
        LZH_TRY(fsys.open_read(item.path, in));
        ProgressFn progress;
        if (options.progress)
            progress = [&](std::uint64_t done, std::uint64_t) { return options.progress(done_before + std::min(done, item.info.size), total); };
        Status s = writer.add_file(member, *in, progress);
        if (!s.is_ok()) return Status(s.code(), item.path.string() + ": " + s.message());
        done_before += item.info.size;
    }
    LZH_TRY(writer.finish());
    if (options.progress && !options.progress(total, total)) return Status::aborted();
    return Status::ok();
}

// ---- unpack --------------------------------------------------------------------------------

namespace {

// A single plain component that cannot climb out or name a root.
bool plain_component(const fs::path& p) {
    if (p.empty() || p.has_root_path() || p == "." || p == "..") return false;
    auto it = p.begin();
    return std::next(it) == p.end();
}

// One component of a member's name as the file system names it: from the exact UTF-8 name when the member
// has one, else through the codec from the code-page bytes.
bool component_of(NameCodec& names, bool unicode, const std::string& part, fs::path& component) {
    if (unicode) {
        component = fs::path(std::u8string(part.begin(), part.end()));
        return true;
    }
    return names.from_archive(part, component);
}

Status resolve(NameCodec& names, const fs::path& destination, const std::vector<std::string>& parts, bool unicode,
               fs::path& target) {
    target = destination;
    for (const auto& part : parts) {
        fs::path component;
        if (!component_of(names, unicode, part, component) || !plain_component(component))
            return Status::data_error("member name is not usable here: " + part);
        target /= component;
    }
    return Status::ok();
}

// A free temporary name beside target. Two lanes may look for one in the same folder at once: each takes
// every lanes-th number from its own, so that they never pick the same.
fs::path temporary_for(FileSystem& fsys, const fs::path& target, int lane = 0, int lanes = 1) {
    for (int i = lane;; i += lanes) {
        fs::path candidate = target.parent_path() / (".~lzh" + std::to_string(i) + ".tmp");
        if (!fsys.exists(candidate)) return candidate;
    }
}

// Puts the unpacked file in place of one of the same name. That one is never deleted before the new one is
// in place: where a rename will not replace, the old file steps aside first and comes back on a failure.
Status put_in_place(FileSystem& fsys, const fs::path& temp, const fs::path& target, int lane, int lanes) {
    Status s = fsys.rename(temp, target);
    if (s.is_ok() || !fsys.exists(target)) return s;
    const fs::path old = temporary_for(fsys, target, lane, lanes);
    LZH_TRY(fsys.rename(target, old));
    s = fsys.rename(temp, target);
    if (!s.is_ok()) {
        fsys.rename(old, target);
        return s;
    }
    fsys.remove(old);
    return Status::ok();
}

// One member as the decoding side hands it to the disk side.
struct Member {
    std::uint64_t number = 0;
    std::string name;              // as the archive names it, for failures
    fs::path target;
    std::vector<fs::path> through;  // the folders above it inside the destination, to check they are folders
    std::int64_t mtime = 0;
    std::uint8_t attributes = 0;
};

struct Job {
    enum class Kind { Folder, File, Data, End, Stop } kind;
    Member member;                    // Folder, File
    std::vector<std::uint8_t> data;   // Data
    Status status;                    // End: how decoding the member ended
};

struct Folder {
    std::uint64_t number;
    fs::path path;
    std::int64_t mtime;
    std::uint8_t attributes;
};

// What the lanes share: the failures, of which the one earliest in the archive is returned, and the
// folders whose times are set at the end.
class Outcome {
public:
    void record(std::uint64_t number, const Status& s, const std::string& what) {
        if (s.is_ok()) return;
        std::lock_guard<std::mutex> lock(mutex_);
        if (first_.is_ok() || number < first_number_) {
            first_ = Status(s.code(), what + ": " + s.message());
            first_number_ = number;
        }
    }
    void add_folder(Folder f) {
        std::lock_guard<std::mutex> lock(mutex_);
        folders_.push_back(std::move(f));
    }
    // Only once every lane has stopped.
    const Status& first() const { return first_; }
    std::vector<Folder>& folders() { return folders_; }

private:
    std::mutex mutex_;
    Status first_;
    std::uint64_t first_number_ = 0;
    std::vector<Folder> folders_;
};

// The blocks decoded bytes travel in, used again once written: a new block for every chunk, freed on
// another thread, makes some heaps (Wine's among them) grow far beyond what is ever in use at once.
class BlockPool {
public:
    static constexpr std::size_t kBlock = 256 * 1024;
    std::vector<std::uint8_t> take() {
        std::vector<std::uint8_t> block;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (!free_.empty()) {
                block = std::move(free_.back());
                free_.pop_back();
            }
        }
        block.clear();
        block.reserve(kBlock);
        return block;
    }
    void give_back(std::vector<std::uint8_t>&& block) {
        if (block.capacity() != kBlock) return;
        std::lock_guard<std::mutex> lock(mutex_);
        if (free_.size() < kKept) free_.push_back(std::move(block));
    }

private:
    static constexpr std::size_t kKept = 32;
    std::mutex mutex_;
    std::vector<std::vector<std::uint8_t>> free_;
};

// One worker of the disk side: creates, writes and closes the files handed to it, in the order given, on a
// thread of its own when one can be had (else each job is done as it comes). At most kInFlight bytes wait
// for it.
class Lane {
public:
    Lane(FileSystem& fsys, Outcome& outcome, BlockPool& blocks, int index, int lanes, bool threaded)
        : fsys_(fsys), outcome_(outcome), blocks_(blocks), index_(index), lanes_(lanes) {
        if (!threaded) return;
        try {
            thread_ = std::thread([this] { run(); });
        } catch (const std::system_error&) {
        }
    }
    ~Lane() { stop(); }
    bool threaded() const { return thread_.joinable(); }

    void push(Job job) {
        if (!thread_.joinable()) {
            handle(job);
            blocks_.give_back(std::move(job.data));
            return;
        }
        std::unique_lock<std::mutex> lock(mutex_);
        room_.wait(lock, [&] { return in_flight_ < kInFlight || jobs_.empty(); });
        in_flight_ += job.data.capacity();  // what it holds of memory, not what it will write
        queued_ += 1;
        jobs_.push_back(std::move(job));
        ready_.notify_one();
    }
    // Bytes and jobs not yet done, to send the next member where less waits.
    std::size_t load() {
        std::lock_guard<std::mutex> lock(mutex_);
        return in_flight_ + queued_ * 4096;
    }
    void wait_idle() {
        if (!thread_.joinable()) return;
        std::unique_lock<std::mutex> lock(mutex_);
        idle_.wait(lock, [&] { return queued_ == 0; });
    }
    void stop() {
        if (!thread_.joinable()) return;
        push(Job{Job::Kind::Stop, {}, {}, {}});
        thread_.join();
    }
    bool dropped(std::uint64_t member) const { return dropped_.load() == member; }

private:
    // Two blocks: decoding runs far ahead of the disk side anyway, and every waiting job holds a whole
    // block, however small its file, so a longer queue only holds memory.
    static constexpr std::size_t kInFlight = 2 * BlockPool::kBlock;

    void run() {
        for (;;) {
            Job job;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                ready_.wait(lock, [&] { return !jobs_.empty(); });
                job = std::move(jobs_.front());
                jobs_.pop_front();
                in_flight_ -= job.data.capacity();
                room_.notify_one();
            }
            const bool last = job.kind == Job::Kind::Stop;
            if (!last) handle(job);
            blocks_.give_back(std::move(job.data));
            {
                std::lock_guard<std::mutex> lock(mutex_);
                queued_ -= 1;
                if (queued_ == 0) idle_.notify_all();
            }
            if (last) return;
        }
    }

    void record(const Status& s, const Member& m) { outcome_.record(m.number, s, m.name); }

    void handle(Job& job) {
        switch (job.kind) {
            case Job::Kind::Folder: make_folder(job.member); break;
            case Job::Kind::File: open(job.member); break;
            case Job::Kind::Data:
                if (out_) {
                    Status s = out_->write(job.data.data(), job.data.size());
                    if (!s.is_ok()) drop(s);
                }
                break;
            case Job::Kind::End: close(job.status); break;
            case Job::Kind::Stop: break;
        }
    }

    // An existing link inside the destination could lead anywhere: only real folders count.
    Status check_through(const Member& m) {
        for (const fs::path& p : m.through)
            if (fsys_.exists(p) && !fsys_.is_folder(p)) return Status::data_error("path runs through a non-folder");
        return Status::ok();
    }

    void make_folder(const Member& m) {
        Status s = check_through(m);
        if (s.is_ok()) s = fsys_.make_folder(m.target);
        if (s.is_ok()) outcome_.add_folder({m.number, m.target, m.mtime, m.attributes});
        record(s, m);
    }

    void open(const Member& m) {
        member_ = m;
        existed_ = false;
        written_.clear();
        // Members come folder by folder: one already made and checked need not be looked at again.
        const fs::path parent = m.target.parent_path();
        Status s;
        if (parent != ready_folder_) {
            ready_folder_.clear();
            s = check_through(m);
            if (s.is_ok()) s = fsys_.make_folder(parent);
            if (s.is_ok()) ready_folder_ = parent;
        }
        // A free name is written at once (no second name to look up: in a folder of thousands of files that
        // is what unpacking costs); a file already there is replaced only by a whole, checked one.
        if (s.is_ok()) s = fsys_.create_new(m.target, out_, existed_);
        if (s.is_ok() && existed_ && fsys_.is_folder(m.target)) s = Status::data_error("a folder of that name exists");
        if (s.is_ok()) {
            written_ = existed_ ? temporary_for(fsys_, m.target, index_, lanes_) : m.target;
            if (existed_) s = fsys_.open_write(written_, out_);
        }
        if (!s.is_ok()) drop(s);
    }

    // Gives up on the current member: what was written of it goes.
    void drop(const Status& s) {
        if (out_) fsys_.close_write(out_);
        if (!written_.empty()) fsys_.remove(written_);
        written_.clear();
        dropped_.store(member_.number);
        if (s.code() != StatusCode::Aborted) record(s, member_);
    }

    void close(Status s) {
        if (dropped_.load() == member_.number) return;
        const Member& m = member_;
        // A new file gets its time and attributes as it closes; a stand-in gets them under its real name.
        if (s.is_ok() && !existed_) {
            s = fsys_.finish_write(m.target, out_, m.mtime, m.attributes);
        } else {
            Status closed = fsys_.close_write(out_);
            if (s.is_ok()) s = closed;
        }
        if (s.is_ok() && existed_) s = put_in_place(fsys_, written_, m.target, index_, lanes_);
        if (!s.is_ok()) return drop(s);
        if (existed_) record(fsys_.set_info(m.target, m.mtime, m.attributes), m);
        written_.clear();
    }

    FileSystem& fsys_;
    Outcome& outcome_;
    BlockPool& blocks_;
    const int index_, lanes_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable ready_, room_, idle_;
    std::deque<Job> jobs_;
    std::size_t in_flight_ = 0, queued_ = 0;
    std::atomic<std::uint64_t> dropped_{0};
    // Owned by the lane's thread.
    Member member_;
    std::unique_ptr<SeekableOutputStream> out_;
    bool existed_ = false;
    fs::path written_;
    fs::path ready_folder_;
};

// Everything an unpack does to the disk, on two lanes, so that decoding goes on while files are created,
// written and closed, and one file is created while another is. Creating a file is a name lookup that can
// cost more than decoding it (under Wine it reads the whole folder), and two lookups at once take little
// longer than one. What the lanes do at once can never meet: only files of one folder, under names that
// cannot be one file, go to them together; anything else waits until the lanes have done all before it,
// so that the result is that of unpacking one member after another.
class DiskSide {
public:
    explicit DiskSide(FileSystem& fsys) {
        for (int i = 0; i < kLanes; ++i) {
            lanes_.push_back(std::make_unique<Lane>(fsys, outcome_, blocks_, i, kLanes, true));
            if (!lanes_.back()->threaded()) {
                // No thread for this lane: with none at all, each job is done as it comes.
                lanes_.pop_back();
                break;
            }
        }
        if (lanes_.empty()) lanes_.push_back(std::make_unique<Lane>(fsys, outcome_, blocks_, 0, 1, false));
    }
    ~DiskSide() { finish(); }

    void folder(Member m) {
        drain();
        lanes_[0]->push(Job{Job::Kind::Folder, std::move(m), {}, {}});
        parent_.clear();  // whatever comes next waits for it
    }
    void file(Member m) {
        const fs::path parent = m.target.parent_path();
        const fs::path::string_type key = name_key(m.target.filename().native());
        if (alone_ || parent != parent_ || key.empty() || keys_.count(key)) drain();
        parent_ = parent;
        alone_ = key.empty();
        if (!alone_) keys_.insert(key);
        current_ = lanes_[0].get();
        for (auto& lane : lanes_)
            if (lane->load() < current_->load()) current_ = lane.get();
        current_->push(Job{Job::Kind::File, std::move(m), {}, {}});
    }
    void data(std::vector<std::uint8_t> bytes) { current_->push(Job{Job::Kind::Data, {}, std::move(bytes), {}}); }
    std::vector<std::uint8_t> block() { return blocks_.take(); }
    void give_back(std::vector<std::uint8_t>&& block) { blocks_.give_back(std::move(block)); }
    void end(const Status& s) { current_->push(Job{Job::Kind::End, {}, {}, s}); }
    void note(std::uint64_t number, const Status& s, const std::string& what) { outcome_.record(number, s, what); }
    // True once the disk side gave up on the member: decoding the rest of it is wasted.
    bool dropped(std::uint64_t member) const {
        for (const auto& lane : lanes_)
            if (lane->dropped(member)) return true;
        return false;
    }
    // Waits for every job; afterwards the results below may be read.
    void finish() {
        for (auto& lane : lanes_) lane->stop();
    }
    const Status& first() const { return outcome_.first(); }
    // In archive order.
    const std::vector<Folder>& folders() {
        auto& folders = outcome_.folders();
        std::sort(folders.begin(), folders.end(), [](const Folder& a, const Folder& b) { return a.number < b.number; });
        return folders;
    }

private:
    static constexpr int kLanes = 2;

    void drain() {
        for (auto& lane : lanes_) lane->wait_idle();
        keys_.clear();
        alone_ = false;
    }

    // Two names that could be one file (letters in other case, a name and its short form, a name Windows
    // trims) must not be created at once. Names get the same key where they could be one: letters that
    // have partners outside ASCII, and all other characters but ASCII digits and marks, count as one
    // letter. A name that could be another's short form, or that Windows would trim, gets no key and goes
    // alone.
    static fs::path::string_type name_key(const fs::path::string_type& name) {
        fs::path::string_type key;
        if (name.empty() || name.back() == '.' || name.back() == ' ') return key;
        key.reserve(name.size());
        for (auto c : name) {
            if (c == '~' || c == ':') return {};
            if (c >= 'A' && c <= 'Z') c = static_cast<decltype(c)>(c - 'A' + 'a');
            const bool shared = c == 'i' || c == 's' || c == 'k' || static_cast<std::uint32_t>(c) >= 0x80;
            key.push_back(shared ? static_cast<decltype(c)>('?') : c);
        }
        return key;
    }

    Outcome outcome_;
    BlockPool blocks_;
    std::vector<std::unique_ptr<Lane>> lanes_;
    Lane* current_ = nullptr;  // the lane of the member being decoded
    fs::path parent_;          // the folder of the files on the lanes now
    std::set<fs::path::string_type> keys_;
    bool alone_ = false;
};

// The decoded bytes of one member, passed on in chunks large enough that handing them over costs nothing.
class ToDiskSide final : public OutputStream {
public:
    ToDiskSide(DiskSide& disk, std::uint64_t member) : disk_(disk), member_(member) {}
    ~ToDiskSide() { disk_.give_back(std::move(chunk_)); }
    Status write(const std::uint8_t* data, std::size_t size) override {
        if (disk_.dropped(member_)) return Status::io_error("the member could not be written");
        while (size > 0) {
            if (chunk_.capacity() < kChunk) chunk_ = disk_.block();
            const std::size_t take = std::min(size, kChunk - chunk_.size());
            chunk_.insert(chunk_.end(), data, data + take);
            data += take;
            size -= take;
            if (chunk_.size() == kChunk) flush();
        }
        return Status::ok();
    }
    void flush() {
        if (chunk_.empty()) return;
        std::vector<std::uint8_t> bytes;
        // The last bytes of a small file go in a copy of their own size, and the block stays for the next.
        if (chunk_.size() < kChunk / 4) {
            bytes.assign(chunk_.begin(), chunk_.end());
            chunk_.clear();
        } else {
            bytes = std::move(chunk_);
            chunk_ = {};
        }
        disk_.data(std::move(bytes));
    }

private:
    static constexpr std::size_t kChunk = BlockPool::kBlock;
    DiskSide& disk_;
    std::uint64_t member_;
    std::vector<std::uint8_t> chunk_;
};

}  // namespace

Status unpack_folder(FileSystem& fsys, NameCodec& names, InputStream& archive, const fs::path& destination,
                     const UnpackOptions& options) {
    Reader reader(archive);
    const std::uint64_t archive_size = archive.size().value_or(0);
    LZH_TRY(fsys.make_folder(destination));
    DiskSide disk(fsys);
    std::uint64_t number = 0;

    for (;;) {
        Entry e;
        bool has = false;
        Status s = reader.next(e, has);
        if (!s.is_ok()) {
            disk.note(number + 1, s, "archive");
            break;
        }
        if (!has) break;
        if (options.progress && !options.progress(reader.position(), archive_size)) return Status::aborted();

        std::vector<std::string> parts;
        Member m;
        m.number = ++number;
        m.name = e.name;
        m.mtime = e.mtime;
        m.attributes = e.attributes;
        // The exact name, when the archive carries one, is held to the same rules as the code-page one.
        const bool unicode = !e.unicode_name.empty();
        s = split_safe_name(e.name, parts);
        if (s.is_ok() && unicode) s = split_safe_name(e.unicode_name, parts);
        if (s.is_ok() && parts.empty() && !e.is_directory()) s = Status::data_error("member has no name");
        if (s.is_ok()) s = resolve(names, destination, parts, unicode, m.target);
        if (s.is_ok()) {
            fs::path prefix = destination;
            for (std::size_t i = 0; i + 1 < parts.size() + (e.is_directory() ? 1 : 0); ++i) {
                fs::path component;
                component_of(names, unicode, parts[i], component);
                prefix /= component;
                m.through.push_back(prefix);
            }
        }
        if (!s.is_ok()) {
            disk.note(number, s, e.name);
            continue;
        }
        if (e.is_directory()) {
            if (!parts.empty()) disk.folder(std::move(m));
            continue;
        }
        if (e.method == Method::Unknown) {
            disk.note(number, Status::unsupported("compression method " + e.method_id), e.name);
            continue;
        }
        disk.file(std::move(m));
        ToDiskSide out(disk, number);
        ProgressFn progress;
        if (options.progress) progress = [&](std::uint64_t, std::uint64_t) { return options.progress(reader.position(), archive_size); };
        s = reader.extract(out, progress);
        if (s.is_ok()) out.flush();
        disk.end(s);
        if (s.code() == StatusCode::Aborted) return Status::aborted();
    }
    disk.finish();
    Status first = disk.first();
    // Deepest first, after all files, since creating files inside changes a folder's time.
    const auto& folders = disk.folders();
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
        Status s = fsys.set_info(it->path, it->mtime, it->attributes);
        if (first.is_ok() && !s.is_ok()) first = Status(s.code(), it->path.string() + ": " + s.message());
    }
    if (first.is_ok() && options.progress && !options.progress(archive_size, archive_size)) return Status::aborted();
    return first;
}

Status test_archive(InputStream& archive, const UnpackOptions& options) {
    Reader reader(archive);
    const std::uint64_t archive_size = archive.size().value_or(0);
    Status first;
    for (;;) {
        Entry e;
        bool has = false;
        Status s = reader.next(e, has);
        if (!s.is_ok()) return first.is_ok() ? s : first;
        if (!has) break;
        // A member that unpacking would refuse makes the archive fail the test as well.
        std::vector<std::string> parts;
        s = split_safe_name(e.name, parts);
        if (!s.is_ok()) {
            if (first.is_ok()) first = s;
            continue;
        }
        ProgressFn progress;
        if (options.progress) progress = [&](std::uint64_t, std::uint64_t) { return options.progress(reader.position(), archive_size); };
        s = reader.test(progress);
        if (s.code() == StatusCode::Aborted) return s;
        if (!s.is_ok() && first.is_ok()) first = Status(s.code(), e.name + ": " + s.message());
    }
    return first;
}

}  // namespace lzh
