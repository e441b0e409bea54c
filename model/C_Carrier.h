#pragma once
// The picture that hides the data: it holds the picture object, a view of its decoded pixel
// bytes, the path it came from and the pass phrase of the last hide or reveal.

#include "model/C_CarrierInfo.h"
#include "engine/C_SampleWriter.h"
#include "model/records/E_Embedding.h"
#include "model/records/C_PixelCover.h"
#include "model/records/C_Record.h"
#include "model/records/C_SecretBytes.h"
#include "model/pictures/BTCImageObject.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

class C_AtomicFileWriter;
class C_JpegCover;
class C_Message;
class C_SealedContent;

class C_Carrier {
public:
    C_Carrier();
    ~C_Carrier();
    C_Carrier(const C_Carrier&) = delete;
    C_Carrier& operator=(const C_Carrier&) = delete;

    bool OpenImage(const std::string& strPath);
    // Format from the path's last three characters (bmp, pcx, gif, png in any letter case).
    bool SaveImage(const std::string& strPath);
    // Encodes into an open writer without committing it, for a caller that reads the file back
    // before it replaces the target.
    bool SaveTo(C_AtomicFileWriter& writer, E_ImageFormat eFormat);
    bool ConvertToGrayscale();
    // Lets the picture go (its pixel bytes with it): the carrier is then empty, holds nothing
    // and draws nothing.
    void ReleasePicture();

    // The kinds of record, in the order a reveal tries them: the plain one (cheap) first.
    static std::span<const C_Record* const> RecordKinds();
    // The two kinds by name: the plain record (C_PlainRecord) and the sealed one
    // (C_SealedRecordKind), which encrypts, authenticates and compresses its payload.
    static const C_Record& PlainKind();
    static const C_Record& SealedKind();
    // The sealed kind without its safe rate (hide --rate-limit off).
    static const C_Record& SealedUnlimitedKind();
    // True when a sealed record goes into this picture spread by its costs (version 2): its
    // bytes are colour or gray samples of 8 or 16 bits, or it is a JPEG.
    bool SealsSpread() const { return m_pCoefficientCover || CoverFor(E_Embedding::Replace).CanWeigh(); }
    // True when the picture's records live in its quantised DCT coefficients (a JPEG whose pixels
    // still show them): no plain record goes there, and its pixel bytes carry nothing.
    bool HidesInCoefficients() const { return m_pCoefficientCover != nullptr; }
    // The non-zero AC coefficients, which a JPEG's payload rates are counted in (0 for others).
    uint64_t RateElements() const;
    // What a record may change in this carrier, and how, under this embedding: the usable
    // pixel bytes (GetBits, GetUsableBytes); Match steps by one where CanEmbedMatch, guarded to
    // keep what transparent pixels show, and replaces elsewhere. The cover views the picture's
    // bytes: it holds while the picture is not replaced.
    C_PixelCover CoverFor(E_Embedding eEmbedding) const;
    // The cover a record of this kind takes under this embedding: for a kind that moves its
    // elements by one (C_Record::MovesByOne), the matching cover whatever the embedding.
    C_PixelCover CoverFor(const C_Record& kind, E_Embedding eEmbedding) const;
    // Whether the message fits a record of this kind, and the largest payload such a record
    // holds under a name of nNameBytes.
    bool Fits(const C_Record& kind, const C_Message& message) const;
    uint32_t CapacityOf(const C_Record& kind, size_t nNameBytes) const;
    // Hides the message in a record of this kind under strPassphrase, which the carrier then
    // keeps. Nothing changes unless Hidden. A record under the same pass phrase of a kind that
    // a reveal tries earlier is overwritten, every one of its bits, with random ones, once the
    // hide is sure to complete: it would be found first and give the message away.
    // Match embeds by plus or minus one where CanEmbedMatch, by replacement elsewhere; the
    // record reads back the same either way.
    E_RecordOutcome Hide(
        const C_Record& kind, const C_Message& message, const std::string& strPassphrase, E_Embedding eEmbedding);
    // Tries the kinds in order under strPassphrase, which the carrier keeps. Found by the first
    // kind that finds a record (*ppKind, when given, names it: the message holds the record, or
    // for a sealed kind and pOpened given, *pOpened holds it opened); else Damaged or NoMemory
    // from the first kind that said so, else NotFound.
    E_RecordOutcome Reveal(C_Message& message, const std::string& strPassphrase, C_SealedContent* pOpened = nullptr,
        const C_Record** ppKind = nullptr);

    // The plain record's fit test and capacities.
    bool WillFit(const C_Message& message) const;
    uint32_t GetCapacity() const;
    // The largest payload that passes WillFit under a name of nNameBytes (0 when none does).
    uint32_t GetLargestPayload(size_t nNameBytes) const;
    // Hides the message in a plain record (Hide). False, with no byte and not the kept pass
    // phrase changed, when the record's positions would repeat for this pass phrase (possible
    // only when N is a multiple of 17 or N > (2^32 - 1) / 17).
    bool HideMessage(
        const C_Message& message, const std::string& strPassword, E_Embedding eEmbedding = E_Embedding::Replace);
    // True when the pixel bytes are samples that a change of one barely alters (true colour and
    // gray pictures of 8 or 16 bits a sample), so plus-or-minus-one embedding applies.
    bool CanEmbedMatch() const { return m_eMatch != C_SampleWriter::E_Mode::Replace; }
    // The largest payload with a name of nNameBytes that hides under this pass phrase: within
    // the fit test, and short enough that its draws name no byte twice. For the message that
    // tells why HideMessage refused.
    uint32_t LargestPayloadFor(const std::string& strPassword, size_t nNameBytes) const;
    // Looks for a plain record under strPassword, which the carrier keeps whether or not one is
    // found.
    bool RevealMessage(C_Message& message, const std::string& strPassword);

    // True when a revealed payload of nBytes needs the user's consent, by the rule that
    // pictures follow: above 64 MiB and 256 times the picture's file, unless large pictures
    // are allowed (SetAllowLarge).
    bool PayloadNeedsConsent(uint64_t nBytes) const;
    // The size of the file the picture came from (for UseBytes, the byte count).
    uint64_t GetFileBytes() const { return m_nFileBytes; }

    // A hide writes where its pass phrase puts it and may turn transparent pixels into dots
    // (C_Transparency). KeepBeforeHide, called before a hide (and before a palette pairing that
    // belongs to it), keeps the picture and the pass phrase when the picture has transparency;
    // TransparencyChanges then counts the pixels whose transparency changed since (0 when
    // nothing was kept), and ReleaseKept(true) puts back what was kept, ReleaseKept(false) drops it.
    void KeepBeforeHide();
    uint64_t TransparencyChanges() const;
    void ReleaseKept(bool bRestore);

    void GetCarrierInfo(C_CarrierInfo& info) const;
    int CompareImage(const C_Carrier& other) const;

    // The picture's data; null when none is loaded.
    BTCImageData* GetObjectDataPtr() { return m_image.GetObjectDataPtr(); }
    const BTCImageData* GetObjectDataPtr() const { return m_image.GetObjectDataPtr(); }
    // Why the last load or save failed, as text and as a code.
    const std::string& GetLastError() const { return m_image.GetLastError(); }
    E_ImageError GetLastErrorCode() const { return m_image.GetLastErrorCode(); }
    // Loads pictures that decode to far more than their file holds (the user agreed).
    void SetAllowLarge(bool bAllow) { m_image.SetAllowLarge(bAllow); }

    // A carrier over bytes the caller owns and keeps alive, without a picture: for the fuzzers
    // and the property tests, which hide into plain buffers.
    void UseBytes(uint8_t* pBytes, size_t nCount);

    const std::string& GetPath() const { return m_strPath; }
    // The pass phrase of the last hide or reveal.
    std::string_view GetPassword() const { return m_password.View(); }
    // The pixel bytes the record lives in; null when there are none.
    const uint8_t* GetBits() const { return m_pBits; }
    // N: the bytes that the sequence draws from (pixel bytes - 1; 0 below two bytes).
    uint32_t GetUsableBytes() const { return m_nBytes; }

    // The format SaveImage would write for this path; None when it refuses the path.
    static E_ImageFormat FormatForPath(const std::string& strPath);
    // What GetCapacity reports for a carrier of N usable bytes.
    static uint32_t CapacityFor(uint32_t nUsableBytes);

private:
    void RefreshView();
    // The cover a record of this kind lives in: the coefficients' for a JPEG, else the pixel
    // bytes' (made in pixels).
    const C_Cover& RecordCover(const C_Record& kind, E_Embedding eEmbedding, std::optional<C_PixelCover>& pixels) const;

    BTCImageObject m_image;
    uint8_t* m_pBits = nullptr;                                         // the pixel bytes; owned by the picture data
    uint32_t m_nBytes = 0;                                              // N
    C_SampleWriter::E_Mode m_eMatch = C_SampleWriter::E_Mode::Replace;  // how Match embeds here
    std::string m_strPath;                                              // the path the picture was loaded from
    uint64_t m_nFileBytes = 0;                                          // the size of the file the picture came from
    std::unique_ptr<C_JpegCover> m_pCoefficientCover;                   // a JPEG's; null for other pictures
    C_SecretBytes m_password;               // pass phrase of the last hide or reveal; wiped when replaced or destroyed
    std::unique_ptr<BTCImageData> m_pKept;  // the picture before a hide; see KeepBeforeHide
    C_SecretBytes m_keptPassword;
};
