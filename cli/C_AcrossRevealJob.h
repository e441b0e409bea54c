#pragma once
// veilmark-cli reveal PICTURE... : the shares of a file hidden across pictures
// (C_AcrossService), gathered from every picture given. Each picture is opened, looked at under
// the pass phrase (asked once) and let go before the next; what each holds is said, and the file
// is restored when a set has the shares it needs. With fewer, it says how many were found and
// how many are needed, and nothing is saved.

#include "cli/C_CliContext.h"

#include <ostream>
#include <string>
#include <vector>

class C_PassphraseSource;
class C_SealedContent;

class C_AcrossRevealJob {
public:
    explicit C_AcrossRevealJob(std::vector<std::string> pictures);
    // content: the restored file, its payload not yet extracted; report takes what is said.
    // Throws C_CliError: NotFound when too few shares (or none) are there, Damaged when a set
    // that has enough does not give a file back, Refused for a picture that cannot hold a share.
    // nFileBytes: the pictures' file sizes added, for the consent rule on large payloads.
    void Run(const C_CliContext& context, const C_PassphraseSource& passphrase, std::ostream& report,
        C_SealedContent& content, uint64_t& nFileBytes) const;

    // Says what a share is, for one picture revealed alone: which share of how many, and how
    // many are needed. Empty when body is not a share's.
    static std::string DescribeShare(const uint8_t* pBody, size_t nBytes);

private:
    std::vector<std::string> m_pictures;
};
