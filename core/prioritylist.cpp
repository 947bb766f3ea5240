#include "core/prioritylist.h"

#include "platform/fault.h"

#include <algorithm>

namespace zk {

namespace {
constexpr const char* kModule = "Plist";
}

PriorityList::PriorityList() : slots_(1) {}

// --- entries -------------------------------------------------------------------

PlistEntryHandle PriorityList::create(ItemHandle item, std::uint8_t letter, int seq, float hourizedMarval)
{
    ZK_CHECK(item, kModule);
    std::uint32_t index;
    if (!freeSlots_.empty()) {
        index = freeSlots_.back();
        freeSlots_.pop_back();
    } else {
        index = static_cast<std::uint32_t>(slots_.size());
        slots_.emplace_back();
    }
    Slot& s = slots_[index];
    s.entry = PlistEntry{item, hourizedMarval, letter, seq};
    s.prev = s.next = 0;
    s.live = true;
    s.linked = false;
    ++s.generation;
    return PlistEntryHandle{index, s.generation};
}

void PriorityList::destroy(PlistEntryHandle h)
{
    Slot& s = slot(h);
    ZK_CHECK(!s.linked, kModule);
    s.live = false;
    s.entry = PlistEntry{};
    freeSlots_.push_back(h.index);
    if (cursor_ == h)
        cursor_ = kNoEntry;
}

bool PriorityList::isLive(PlistEntryHandle h) const
{
    return h.index != 0 && h.index < slots_.size() && slots_[h.index].live
        && slots_[h.index].generation == h.generation;
}

bool PriorityList::isLinked(PlistEntryHandle h) const { return isLive(h) && slots_[h.index].linked; }

PriorityList::Slot& PriorityList::slot(PlistEntryHandle h)
{
    ZK_CHECK(isLive(h), kModule);
    return slots_[h.index];
}

const PriorityList::Slot& PriorityList::slot(PlistEntryHandle h) const
{
    ZK_CHECK(isLive(h), kModule);
    return slots_[h.index];
}

const PlistEntry& PriorityList::entry(PlistEntryHandle h) const { return slot(h).entry; }

void PriorityList::setSeq(PlistEntryHandle h, int seq) { assignSeq(slot(h), seq); }

void PriorityList::setHourizedMarval(PlistEntryHandle h, float value) { slot(h).entry.hourizedMarval = value; }

void PriorityList::setLetter(PlistEntryHandle h, std::uint8_t letter)
{
    Slot& s = slot(h);
    ZK_CHECK(!s.linked, kModule);
    s.entry.letter = letter;
}

PlistEntryHandle PriorityList::handleAt(std::uint32_t index) const
{
    if (index == 0 || index >= slots_.size() || !slots_[index].live)
        return kNoEntry;
    return PlistEntryHandle{index, slots_[index].generation};
}

PlistEntryHandle PriorityList::entryOf(ItemHandle item, std::uint32_t plistLink) const
{
    PlistEntryHandle h = handleAt(plistLink);
    if (!h || !slots_[h.index].linked || slots_[h.index].entry.item != item)
        return kNoEntry;
    return h;
}

// --- order ---------------------------------------------------------------------

PlistEntryHandle PriorityList::next(PlistEntryHandle h) const
{
    const Slot& s = slot(h);
    ZK_CHECK(s.linked, kModule);
    return handleAt(s.next);
}

PlistEntryHandle PriorityList::previous(PlistEntryHandle h) const
{
    const Slot& s = slot(h);
    ZK_CHECK(s.linked, kModule);
    return handleAt(s.prev);
}

void PriorityList::link(std::uint32_t index, std::uint32_t prev, std::uint32_t next)
{
    Slot& s = slots_[index];
    ZK_CHECK(s.live && !s.linked, kModule);
    std::uint8_t letter = s.entry.letter;
    Span& sp = spans_[spanIndex(letter)];
    auto letterAt = [&](std::uint32_t i) { return slots_[i].entry.letter; };
    if (sp.count == 0) {
        // A new class goes between the neighbouring letters.
        ZK_CHECK(prev == 0 || letterRank(letterAt(prev)) < letterRank(letter), kModule);
        ZK_CHECK(next == 0 || letterRank(letterAt(next)) > letterRank(letter), kModule);
        sp.first = sp.last = index;
    } else {
        // Inside or at either end of its own class.
        bool touchesClass = (prev != 0 && letterAt(prev) == letter) || (next != 0 && letterAt(next) == letter);
        ZK_CHECK(touchesClass, kModule);
        if (next == sp.first)
            sp.first = index;
        if (prev == sp.last)
            sp.last = index;
    }
    ++sp.count;
    s.prev = prev;
    s.next = next;
    slots_[prev].next = index;
    slots_[next].prev = index;  // slots_[0].prev is the last entry
    s.linked = true;
    ++linked_;
}

void PriorityList::insertBefore(PlistEntryHandle h, PlistEntryHandle before)
{
    ZK_CHECK(isLive(h), kModule);
    if (!before)
        return link(h.index, slots_[0].prev, 0);
    ZK_CHECK(isLinked(before), kModule);
    link(h.index, slots_[before.index].prev, before.index);
}

void PriorityList::insertAfter(PlistEntryHandle h, PlistEntryHandle after)
{
    ZK_CHECK(isLive(h), kModule);
    if (!after)
        return link(h.index, 0, slots_[0].next);
    ZK_CHECK(isLinked(after), kModule);
    link(h.index, after.index, slots_[after.index].next);
}

void PriorityList::insertInOrder(PlistEntryHandle h)
{
    const PlistEntry& e = entry(h);
    const Span& sp = span(e.letter);
    if (sp.count == 0)
        return insertBefore(h, firstAbove(e.letter));
    int s = e.seq;
    int firstSeq = slots_[sp.first].entry.seq;
    int lastSeq = slots_[sp.last].entry.seq;
    if (lastSeq < s)
        return insertAfter(h, handleAt(sp.last));
    if (firstSeq >= s)
        return insertBefore(h, handleAt(sp.first));
    // Seqs ascend inside the class (possibly with the gap an unlinked entry
    // left), so the first one >= s can be found from either end.
    std::uint32_t at;
    if (s - firstSeq <= lastSeq - s) {
        at = sp.first;
        while (slots_[at].entry.seq < s)
            at = slots_[at].next;
    } else {
        at = sp.last;
        for (std::uint32_t p = slots_[at].prev; p != 0 && slots_[p].entry.letter == e.letter && slots_[p].entry.seq >= s;
             p = slots_[at].prev)
            at = p;
    }
    insertBefore(h, handleAt(at));
}

void PriorityList::unlink(PlistEntryHandle h)
{
    Slot& s = slot(h);
    ZK_CHECK(s.linked, kModule);
    std::uint8_t letter = s.entry.letter;
    Span& sp = spans_[spanIndex(letter)];
    auto inClass = [&](std::uint32_t i) { return i != 0 && slots_[i].entry.letter == letter; };
    if (sp.first == h.index)
        sp.first = inClass(s.next) ? s.next : 0;
    if (sp.last == h.index)
        sp.last = inClass(s.prev) ? s.prev : 0;
    --sp.count;
    slots_[s.prev].next = s.next;
    slots_[s.next].prev = s.prev;
    s.prev = s.next = 0;
    s.linked = false;
    --linked_;
}

int PriorityList::remove(PlistEntryHandle h)
{
    Slot& s = slot(h);
    int seq = s.entry.seq;
    std::uint8_t letter = s.entry.letter;
    PlistEntryHandle following = next(h);
    if (cursor_ == h)
        cursor_ = following;
    unlink(h);
    if (following && entry(following).letter == letter)
        renumberFrom(following);
    destroy(h);
    return seq;
}

void PriorityList::clear()
{
    for (std::uint32_t i = 1; i < slots_.size(); ++i) {
        Slot& s = slots_[i];
        if (!s.live)
            continue;
        s.live = s.linked = false;
        s.prev = s.next = 0;
        s.entry = PlistEntry{};
        freeSlots_.push_back(i);
    }
    slots_[0].prev = slots_[0].next = 0;
    spans_.fill(Span{});
    linked_ = 0;
    cursor_ = kNoEntry;
}

// --- classes -------------------------------------------------------------------

std::vector<PlistEntryHandle> PriorityList::classEntries(std::uint8_t letter) const
{
    std::vector<PlistEntryHandle> out;
    const Span& sp = span(letter);
    out.reserve(static_cast<std::size_t>(sp.count));
    for (std::uint32_t i = sp.first; i != 0 && slots_[i].entry.letter == letter; i = slots_[i].next)
        out.push_back(handleAt(i));
    return out;
}

PlistEntryHandle PriorityList::find(std::uint8_t letter, int seq) const
{
    const Span& sp = span(letter);
    if (seq < 1 || sp.count == 0)
        return kNoEntry;
    int firstSeq = slots_[sp.first].entry.seq;
    int lastSeq = slots_[sp.last].entry.seq;
    if (seq < firstSeq || seq > lastSeq)
        return kNoEntry;
    std::uint32_t at;
    if (seq - firstSeq <= lastSeq - seq) {
        at = sp.first;
        while (slots_[at].entry.seq < seq && at != sp.last)
            at = slots_[at].next;
    } else {
        at = sp.last;
        while (slots_[at].entry.seq > seq && at != sp.first)
            at = slots_[at].prev;
        // The first of equal seqs, should a renumbering still be due.
        while (at != sp.first && slots_[slots_[at].prev].entry.seq == seq)
            at = slots_[at].prev;
    }
    return slots_[at].entry.seq == seq ? handleAt(at) : kNoEntry;
}

PlistEntryHandle PriorityList::firstAbove(std::uint8_t letter) const
{
    for (std::size_t i = spanIndex(letter) + 1; i < spans_.size(); ++i)
        if (spans_[i].count != 0)
            return handleAt(spans_[i].first);
    return kNoEntry;
}

void PriorityList::reorderClass(std::uint8_t letter, const std::vector<PlistEntryHandle>& order)
{
    const Span& sp = span(letter);
    ZK_CHECK(order.size() == static_cast<std::size_t>(sp.count), kModule);
    if (order.empty())
        return;
    for (PlistEntryHandle h : order)
        ZK_CHECK(isLinked(h) && slots_[h.index].entry.letter == letter, kModule);
    PlistEntryHandle after = handleAt(slots_[sp.last].next);
    for (PlistEntryHandle h : order)
        unlink(h);
    // A repeated handle would now fail here, being linked already.
    for (PlistEntryHandle h : order)
        insertBefore(h, after);
}

void PriorityList::relabel(const std::function<std::uint8_t(const PlistEntry&)>& letterOf)
{
    std::vector<PlistEntryHandle> order(begin(), end());
    for (PlistEntryHandle h : order) {
        std::uint8_t letter = letterOf(entry(h));
        unlink(h);
        slots_[h.index].entry.letter = letter;
    }
    std::stable_sort(order.begin(), order.end(), [&](PlistEntryHandle a, PlistEntryHandle b) {
        return letterRank(slots_[a.index].entry.letter) < letterRank(slots_[b.index].entry.letter);
    });
    for (PlistEntryHandle h : order)
        insertBefore(h, kNoEntry);
    renumber();
}

// --- numbering -----------------------------------------------------------------

void PriorityList::assignSeq(Slot& s, int seq)
{
    int old = s.entry.seq;
    if (old == seq)
        return;
    s.entry.seq = seq;
    if (old != 0 && seqChanged)
        seqChanged(s.entry.item);
}

void PriorityList::renumber()
{
    int counter = 0;
    int letter = 256;  // no letter yet
    for (std::uint32_t i = slots_[0].next; i != 0; i = slots_[i].next) {
        Slot& s = slots_[i];
        if (s.entry.letter != letter) {
            letter = s.entry.letter;
            counter = 0;
        }
        assignSeq(s, ++counter);
    }
}

void PriorityList::renumberClass(std::uint8_t letter)
{
    if (span(letter).count != 0)
        renumberFrom(classFirst(letter));
}

void PriorityList::renumberFrom(PlistEntryHandle h, PlistEntryHandle stopAfter)
{
    Slot& start = slot(h);
    ZK_CHECK(start.linked, kModule);
    std::uint8_t letter = start.entry.letter;
    std::uint32_t prev = start.prev;
    int counter = prev != 0 && slots_[prev].entry.letter == letter ? slots_[prev].entry.seq : 0;
    for (std::uint32_t i = h.index; i != 0 && slots_[i].entry.letter == letter; i = slots_[i].next) {
        assignSeq(slots_[i], ++counter);
        if (i == stopAfter.index)
            break;
    }
}

bool PriorityList::isOrdered() const
{
    std::array<int, 256> counts{};
    std::size_t n = 0;
    int previousRank = -129;
    int expected = 1;
    for (std::uint32_t i = slots_[0].next; i != 0; i = slots_[i].next) {
        const Slot& s = slots_[i];
        if (!s.live || !s.linked || slots_[s.next].prev != i)
            return false;
        int rank = letterRank(s.entry.letter);
        if (rank < previousRank)
            return false;
        if (rank != previousRank) {
            expected = 1;
            if (spans_[spanIndex(s.entry.letter)].first != i)
                return false;
        }
        if (s.entry.seq != expected++)
            return false;
        if (s.next == 0 || slots_[s.next].entry.letter != s.entry.letter)
            if (spans_[spanIndex(s.entry.letter)].last != i)
                return false;
        ++counts[spanIndex(s.entry.letter)];
        previousRank = rank;
        ++n;
    }
    for (std::size_t c = 0; c < counts.size(); ++c)
        if (counts[c] != spans_[c].count)
            return false;
    return n == linked_;
}

} // namespace zk
