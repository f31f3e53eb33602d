#pragma once
// Disks that fail, for tests: a file-size limit standing in for a full disk,
// and read-only files and folders that stay read-only for root as well.
#include <QFile>
#include <QString>

#include <csignal>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

// While it lives, files of this process cannot grow past `bytes` (writes get
// EFBIG, SIGXFSZ is ignored), as on a disk that is full.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &old_);
        rlimit l = old_;
        l.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &l);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, old_handler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*old_handler_)(int) = SIG_DFL;
};

// While it lives, the calling thread obeys file permissions even as root
// (CAP_DAC_OVERRIDE and CAP_DAC_READ_SEARCH leave its effective set), and the
// given paths are read-only.
class ReadOnlyPaths {
public:
    explicit ReadOnlyPaths(QStringList paths) : paths_(std::move(paths)) {
        for (const QString& p : paths_) {
            perms_.append(QFile::permissions(p));
            QFile::setPermissions(p, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                         QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
        }
        set_dac(false);
    }
    ~ReadOnlyPaths() {
        set_dac(true);
        for (qsizetype i = 0; i < paths_.size(); ++i) QFile::setPermissions(paths_[i], perms_[i]);
    }
    ReadOnlyPaths(const ReadOnlyPaths&) = delete;
    ReadOnlyPaths& operator=(const ReadOnlyPaths&) = delete;

private:
    static void set_dac(bool on) {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct data[2]{};
        if (::syscall(SYS_capget, &header, data) != 0) return;
        const uint32_t dac = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);
        if (on)
            data[0].effective |= data[0].permitted & dac;
        else
            data[0].effective &= ~dac;
        ::syscall(SYS_capset, &header, data);
    }

    QStringList paths_;
    QList<QFile::Permissions> perms_;
};
