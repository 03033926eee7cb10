// ZNTemplate: the engine's containers and strings.
//
//   ZNArray<T>          growable array of constructed elements (strings, shared pointers, ...)
//   ZNPodArray<T>       growable array of plain elements, moved with byte copies
//   ZNString/ZNWString  8- and 16-bit strings, up to 31 characters inside the object
//   ZNMemBlock          owning byte block (new/delete), ZNMemView a non-owning window
//   ZNHeapArray<T>      array whose size is fixed when it is made
//   ZNFixedArray<T, n>  n elements inside the owner
//   ZNMap<K, V>         ordered map, a red-black tree with top-down insert and remove
//   ZNArrayIterator<T>  position in a ZNPodArray; ZNSort sorts a range between two
//   ZNStringHash        FNV-1 hash of a ZNString for the standard hash tables
//
// Guarantees shared by every container here:
// - every index or range is checked before it is used; a failed check reports its
//   expression through the assertion dialog and the operation then touches no
//   memory outside the container (reads yield a zeroed scratch value, writes are
//   dropped);
// - capacity grows by doubling, or straight to the requested size when that is
//   larger, and never shrinks on removal (only an exact ZNArray::Reserve sets it);
//   arrays and strings take storage from ZNAlloc/ZNFree;
// - containers own their elements and copy deeply; none is locked or shared;
//   the scratch values are per thread.
//
// Usage:
//   ZNArray<ZNString> names;  names.Add("sky");  for (ZNString& n : names) ...
//   ZNMap<ZNString, INT32> ids;  ids["water"] = 3;  if (auto* n = ids.Find("sky")) n->value ...
#pragma once

#include "core/ZNAssert.h"
#include "core/ZNStringUtil.h"

#include <new>
#include <stdarg.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <utility>

// True when p lies inside the bytes [begin, begin + bytes): detects arguments
// that alias the container they are being inserted into.
inline bool ZNPointsInto(const void* p, const void* begin, size_t bytes)
{
    uintptr_t a = (uintptr_t)p, b = (uintptr_t)begin;
    return a >= b && a < b + bytes;
}

//------------------------------------------------------------------------------
// ZNArrayStorage<T, Plain>: what ZNArray and ZNPodArray share, the block with
// its count and capacity, checked element access and moves. The two differ only
// in how elements are made, copied and destroyed (Plain: as bytes).
//------------------------------------------------------------------------------
template <typename T, bool Plain>
class ZNArrayStorage
{
public:
    T*     data;       // element block, null before the first reservation and after Clear
    UINT32 capacity;   // slots in the block
    UINT32 count;      // live elements, count <= capacity

    UINT32   Size() const { return count; }
    bool     Empty() const { return count == 0; }
    T*       Data() { return data; }
    const T* Data() const { return data; }
    T*       begin() { return data; }
    T*       end() { return data + count; }
    const T* begin() const { return data; }
    const T* end() const { return data + count; }

    T& operator[](UINT32 at)
    {
        if (ZN_CHECK_FAILED(at >= count))
            return Scratch();
        return data[at];
    }
    const T& operator[](UINT32 at) const
    {
        if (ZN_CHECK_FAILED(at >= count))
            return Scratch();
        return data[at];
    }
    T& Last()
    {
        if (ZN_CHECK_FAILED(count == 0))
            return Scratch();
        return data[count - 1];
    }
    const T& Last() const
    {
        if (ZN_CHECK_FAILED(count == 0))
            return Scratch();
        return data[count - 1];
    }

    // Index of the first element equal to value, or -1.
    INT32 Find(const T& value) const
    {
        for (UINT32 i = 0; i < count; ++i)
            if (data[i] == value)
                return (INT32)i;
        return -1;
    }

protected:
    ZNArrayStorage() : data(nullptr), capacity(0), count(0) {}
    ZNArrayStorage(ZNArrayStorage&& other) noexcept : data(other.data), capacity(other.capacity), count(other.count)
    {
        other.Forget();
    }
    ZNArrayStorage(const ZNArrayStorage&)            = delete;
    ZNArrayStorage& operator=(const ZNArrayStorage&) = delete;
    ~ZNArrayStorage()                                = default;

    // Takes other's block; this one must be empty (cleared by the caller).
    void TakeBlock(ZNArrayStorage& other)
    {
        data     = other.data;
        capacity = other.capacity;
        count    = other.count;
        other.Forget();
    }
    void Forget()
    {
        data     = nullptr;
        capacity = count = 0;
    }
    // The element a failed check hands out: value-initialised for constructed
    // elements, all zero bytes for plain ones. Each thread has its own, since
    // the texture-streaming worker uses these containers too: a write into the
    // scratch on one thread must never show up in another thread's read.
    static T& Scratch()
    {
        static thread_local T scratch;
        if constexpr (Plain)
            memset((void*)&scratch, 0, sizeof(T));
        else
            scratch = T();
        return scratch;
    }
};

//------------------------------------------------------------------------------
// ZNArray<T>: elements are constructed, assigned and destroyed one by one
// (moved rather than copied when the block grows or elements shift).
// Does not allocate until the first element is added; the first insertion
// reserves exactly one slot, then capacities run 2, 4, 8, ...
//------------------------------------------------------------------------------
template <typename T>
class ZNArray : public ZNArrayStorage<T, false>
{
    typedef ZNArrayStorage<T, false> Base;

public:
    using Base::capacity;
    using Base::count;
    using Base::data;

    ZNArray() {}
    ZNArray(const ZNArray& other) : Base() { CopyFrom(other); }
    ZNArray(ZNArray&& other) noexcept : Base(std::move(other)) {}
    ~ZNArray() { Clear(); }

    ZNArray& operator=(const ZNArray& other)
    {
        if (this != &other)
        {
            Clear();
            CopyFrom(other);
        }
        return *this;
    }
    ZNArray& operator=(ZNArray&& other) noexcept
    {
        if (this != &other)
        {
            Clear();
            this->TakeBlock(other);
        }
        return *this;
    }

    // Inserts before index af; af == count appends. A value that lives inside
    // this array is copied before the block can move.
    void Insert(UINT32 af, const T& value) { InsertValue(af, value); }
    void Insert(UINT32 af, T&& value) { InsertValue(af, std::move(value)); }
    void Add(const T& value) { InsertValue(count, value); }
    void Add(T&& value) { InsertValue(count, std::move(value)); }

    // Removes the inclusive range from..to; storage is kept.
    void Remove(UINT32 from, UINT32 to)
    {
        if (ZN_CHECK_FAILED(from >= count || to >= count || from > to))
            return;
        UINT32 n = to - from + 1;
        for (UINT32 i = to + 1; i < count; ++i)
            data[i - n] = std::move(data[i]);
        for (UINT32 i = count - n; i < count; ++i)
            data[i].~T();
        count -= n;
    }
    void RemoveAt(UINT32 at) { Remove(at, at); }

    // exact == 0: grows to at least n (doubling); exact != 0 and n == 0: Clear;
    // exact != 0 otherwise: capacity becomes exactly n (never below count).
    void Reserve(UINT32 n, int exact = 0)
    {
        UINT32 newCapacity;
        if (!exact)
        {
            if (n <= capacity)
                return;
            newCapacity = (n >= 2 * capacity) ? n : 2 * capacity;
        }
        else
        {
            if (n == 0)
            {
                Clear();
                return;
            }
            newCapacity = n < count ? count : n;
            if (newCapacity == capacity)
                return;
        }
        T* block = (T*)ZNAlloc((size_t)newCapacity * sizeof(T));
        for (UINT32 i = 0; i < count; ++i)
        {
            new (block + i) T(std::move(data[i]));
            data[i].~T();
        }
        if (data)
            ZNFree(data);
        data     = block;
        capacity = newCapacity;
    }

    // Grows as needed, then default-constructs or destroys elements at the tail.
    void SetCount(UINT32 n)
    {
        Reserve(n, 0);
        for (UINT32 i = n; i < count; ++i)
            data[i].~T();
        for (UINT32 i = count; i < n; ++i)
            new (data + i) T();
        count = n;
    }

    // Destroys every element and frees the block.
    void Clear()
    {
        for (UINT32 i = 0; i < count; ++i)
            data[i].~T();
        if (data)
            ZNFree(data);
        this->Forget();
    }

private:
    void CopyFrom(const ZNArray& other)
    {
        if (other.count == 0)
            return;
        Reserve(other.count, 1);
        for (UINT32 i = 0; i < other.count; ++i)
            new (data + i) T(other.data[i]);
        count = other.count;
    }

    template <typename U>
    void InsertValue(UINT32 af, U&& value)
    {
        if (ZN_CHECK_FAILED(af > count))
            return;
        if (data && ZNPointsInto(&value, data, (size_t)count * sizeof(T)))
        {
            T copy(value);
            InsertValue(af, std::move(copy));
            return;
        }
        if (count == capacity)
            Reserve(2 * capacity, 0);
        if (!data)
            Reserve(1, 0);
        if (af >= count)
        {
            new (data + count) T(std::forward<U>(value));
        }
        else
        {
            new (data + count) T(std::move(data[count - 1]));
            for (UINT32 i = count - 1; i > af; --i)
                data[i] = std::move(data[i - 1]);
            data[af] = std::forward<U>(value);
        }
        ++count;
    }
};

//------------------------------------------------------------------------------
// ZNPodArray<T>: plain elements moved with byte copies (memcpy/memmove), never
// per-element calls. New elements from SetCount are not initialised.
//------------------------------------------------------------------------------
template <typename T>
class ZNPodArray : public ZNArrayStorage<T, true>
{
    typedef ZNArrayStorage<T, true> Base;

public:
    using Base::capacity;
    using Base::count;
    using Base::data;

    ZNPodArray() {}
    ZNPodArray(const ZNPodArray& other) : Base() { CopyFrom(other); }
    ZNPodArray(ZNPodArray&& other) noexcept : Base(std::move(other)) {}
    ~ZNPodArray() { Clear(); }

    ZNPodArray& operator=(const ZNPodArray& other)
    {
        if (this != &other)
        {
            count = 0;
            CopyFrom(other);
        }
        return *this;
    }
    ZNPodArray& operator=(ZNPodArray&& other) noexcept
    {
        if (this != &other)
        {
            Clear();
            this->TakeBlock(other);
        }
        return *this;
    }

    // Inserts before index af; af == count appends. The value is copied first,
    // so it may live inside this array.
    void Insert(UINT32 af, const T& value)
    {
        if (ZN_CHECK_FAILED(af > count))
            return;
        T copy;
        memcpy((void*)&copy, (const void*)&value, sizeof(T));
        if (!data)
            Reserve(1);
        else if (count == capacity)
            Reserve(2 * capacity);
        if (af < count)
            memmove((void*)(data + af + 1), (const void*)(data + af), (size_t)(count - af) * sizeof(T));
        memcpy((void*)(data + af), (const void*)&copy, sizeof(T));
        ++count;
    }
    void Add(const T& value)
    {
        if (count < capacity)
            memcpy((void*)(data + count++), (const void*)&value, sizeof(T));
        else
            Insert(count, value);
    }
    // Appends n elements copied from items (which must not live in this array).
    void Append(const T* items, UINT32 n)
    {
        if (n == 0)
            return;
        Reserve(count + n);
        memcpy((void*)(data + count), (const void*)items, (size_t)n * sizeof(T));
        count += n;
    }

    // Removes the inclusive range from..to; storage is never shrunk.
    void Remove(UINT32 from, UINT32 to)
    {
        if (ZN_CHECK_FAILED(from >= count || to >= count || from > to))
            return;
        UINT32 n = to - from + 1;
        if (to + 1 < count)
            memmove((void*)(data + from), (const void*)(data + to + 1), (size_t)(count - to - 1) * sizeof(T));
        count -= n;
    }
    void RemoveAt(UINT32 at) { Remove(at, at); }

    // Grows to at least n: exactly n when that is at least twice the capacity,
    // else twice the capacity.
    void Reserve(UINT32 n)
    {
        if (capacity >= n)
            return;
        UINT32 newCapacity = (n >= 2 * capacity) ? n : 2 * capacity;
        T*     block       = (T*)ZNAlloc((size_t)newCapacity * sizeof(T));
        if (data && count > 0)
            memcpy((void*)block, (const void*)data, (size_t)count * sizeof(T));
        if (data)
            ZNFree(data);
        data     = block;
        capacity = newCapacity;
    }

    // Reserves n and sets the count; new elements are left as they are.
    void SetCount(UINT32 n)
    {
        Reserve(n);
        count = n;
    }

    void Clear()
    {
        if (data)
            ZNFree(data);
        this->Forget();
    }

private:
    void CopyFrom(const ZNPodArray& other)
    {
        if (other.count == 0)
            return;
        Reserve(other.count);
        memcpy((void*)data, (const void*)other.data, (size_t)other.count * sizeof(T));
        count = other.count;
    }
};

//------------------------------------------------------------------------------
// ZNArrayIterator<T>: a position in a ZNPodArray. Iterators of different
// arrays may not be compared or subtracted ("cnt != other.cnt").
//------------------------------------------------------------------------------
template <typename T>
class ZNArrayIterator
{
public:
    ZNPodArray<T>* cnt;     // the array this position belongs to
    UINT32         index;   // element index, 0..count

    ZNArrayIterator() : cnt(nullptr), index(0) {}
    ZNArrayIterator(ZNPodArray<T>& array, UINT32 at) : cnt(&array), index(at) {}

    T& operator*() const { return (*cnt)[index]; }
    T* operator->() const { return &(*cnt)[index]; }

    ZNArrayIterator& operator++()
    {
        ++index;
        return *this;
    }
    ZNArrayIterator& operator--()
    {
        --index;
        return *this;
    }
    ZNArrayIterator  operator+(INT32 n) const { return ZNArrayIterator(*cnt, (UINT32)((INT32)index + n)); }
    ZNArrayIterator  operator-(INT32 n) const { return ZNArrayIterator(*cnt, (UINT32)((INT32)index - n)); }
    ZNArrayIterator& operator+=(INT32 n)
    {
        index = (UINT32)((INT32)index + n);
        return *this;
    }

    // Distance in elements; 0 when the two belong to different arrays.
    INT32 operator-(const ZNArrayIterator& other) const
    {
        if (ZN_CHECK_FAILED(cnt != other.cnt))
            return 0;
        return (INT32)index - (INT32)other.index;
    }
    bool operator==(const ZNArrayIterator& other) const
    {
        if (ZN_CHECK_FAILED(cnt != other.cnt))
            return false;
        return index == other.index;
    }
    bool operator!=(const ZNArrayIterator& other) const { return !(*this == other); }
    bool operator<(const ZNArrayIterator& other) const
    {
        if (ZN_CHECK_FAILED(cnt != other.cnt))
            return false;
        return index < other.index;
    }
};

template <typename T>
inline ZNArrayIterator<T> ZNBegin(ZNPodArray<T>& array)
{
    return ZNArrayIterator<T>(array, 0);
}
template <typename T>
inline ZNArrayIterator<T> ZNEnd(ZNPodArray<T>& array)
{
    return ZNArrayIterator<T>(array, array.count);
}

// Comb sort of [begin, end) in ascending order. less(a, b) is true when a's key
// is strictly smaller than b's; a pair is swapped only when the later element's
// key is strictly smaller, so equal keys are never swapped with each other
// (which does not make the sort stable: elements may jump over equal ones).
template <typename T, typename Less>
void ZNSort(ZNArrayIterator<T> begin, ZNArrayIterator<T> end, Less less)
{
    if (begin.cnt != end.cnt)
    {
        (void)(end - begin);   // reports "cnt != other.cnt"
        return;
    }
    if (!begin.cnt)
        return;
    if (ZN_CHECK_FAILED(begin.index > end.index || end.index > end.cnt->count))
        return;
    const UINT32 n = end.index - begin.index;
    if (n < 2)
        return;
    T*     items   = begin.cnt->data + begin.index;
    UINT32 gap     = n;
    bool   swapped = true;
    while (gap > 1 || swapped)
    {
        if (gap > 1)
            gap = (UINT32)(gap / 1.247330950103979);
        swapped = false;
        for (UINT32 i = 0; i + gap < n; ++i)
        {
            if (less(items[i + gap], items[i]))
            {
                T t            = items[i];
                items[i]       = items[i + gap];
                items[i + gap] = t;
                swapped        = true;
            }
        }
    }
}

template <typename T>
void ZNSort(ZNArrayIterator<T> begin, ZNArrayIterator<T> end)
{
    ZNSort(begin, end, [](const T& a, const T& b) { return a < b; });
}

//------------------------------------------------------------------------------
// ZNStringT<C, S>: the string template behind ZNString (char) and ZNWString
// (ZNWChar). Always terminated; up to 31 characters live in the object. Once a
// string has a heap block it keeps it for life (shrinking never returns to the
// in-object buffer). Copies copy characters, never the pointer. S is the
// concrete string class, so operations hand back the concrete type.
//------------------------------------------------------------------------------
template <typename C, typename S>
class ZNStringT
{
public:
    C*     heap;        // heap block owned by the string, null while the text is local
    UINT32 capacity;    // characters in the heap block, terminator included (0 without one)
    UINT32 length;      // characters before the terminator
    C      local[32];   // in-object buffer: 31 characters and the terminator
    C*     text;        // local or heap: the characters in use

    ZNStringT() : heap(nullptr), capacity(0), length(0), text(local) { local[0] = 0; }
    ZNStringT(const C* s) : ZNStringT() { Assign(s, s ? Len(s) : 0); }
    ZNStringT(const C* s, UINT32 n) : ZNStringT() { Assign(s, s ? n : 0); }
    ZNStringT(const ZNStringT& other) : ZNStringT() { Assign(other.text, other.length); }
    ZNStringT(ZNStringT&& other) noexcept : ZNStringT() { Take(other); }
    ~ZNStringT()
    {
        if (heap)
            ZNFree(heap);
    }

    ZNStringT& operator=(const ZNStringT& other)
    {
        if (this != &other)
            Assign(other.text, other.length);
        return *this;
    }
    ZNStringT& operator=(ZNStringT&& other) noexcept
    {
        if (this != &other)
            Take(other);
        return *this;
    }
    S& operator=(const C* s)
    {
        Assign(s, s ? Len(s) : 0);
        return Self();
    }

    UINT32   Size() const { return length; }
    bool     Empty() const { return length == 0; }
    const C* CStr() const { return text; }
    C*       CStr() { return text; }

    // Length 0; the storage stays.
    void Clear() { SetLength(0); }

    // Resizes to n characters: keeps the first min(n, length), terminates at n.
    // Characters between the old and the new length are not initialised.
    void SetLength(UINT32 n)
    {
        if (!heap && n < 32)
        {
            text     = local;
            local[n] = 0;
            length   = n;
            return;
        }
        Grow(n + 1);
        text[n] = 0;
        length  = n;
    }

    // Makes room for n characters, terminator included, without changing the
    // length. Room the in-object buffer already offers needs no heap block.
    void Reserve(UINT32 n)
    {
        if (!heap && n <= 32)
            return;
        Grow(n > length + 1 ? n : length + 1);
    }

    C& operator[](UINT32 at)
    {
        const UINT32 count = length;
        if (ZN_CHECK_FAILED(at >= count))
            return Scratch();
        return text[at];
    }
    const C& operator[](UINT32 at) const
    {
        const UINT32 count = length;
        if (ZN_CHECK_FAILED(at >= count))
            return Scratch();
        return text[at];
    }

    // Inserts one character before index af (af == length appends).
    void Insert(UINT32 af, C ch)
    {
        const UINT32 count = length;
        if (ZN_CHECK_FAILED(af > count))
            return;
        // A full in-object buffer moves to a heap block of exactly 33 first; a
        // full heap block (that one included) then doubles.
        if (!heap && count == 31)
            SetLength(32);
        if (heap && length + 1 == capacity)
        {
            Reserve(2 * capacity);
            text[length + 1] = 0;
        }
        memmove(text + af + 1, text + af, (size_t)(count - af + 1) * sizeof(C));
        text[af] = ch;
        length   = count + 1;
    }

    // Inserts n characters before index af; the characters may come from this string.
    void Insert(UINT32 af, const C* s, UINT32 n)
    {
        const UINT32 count = length;
        if (ZN_CHECK_FAILED(af > count))
            return;
        if (n == 0 || !s)
            return;
        if (ZNPointsInto(s, text, (size_t)(length + 1) * sizeof(C)))
        {
            S copy(s, n);
            InsertChars(af, copy.text, n);
            return;
        }
        InsertChars(af, s, n);
    }
    void Insert(UINT32 af, const C* s) { Insert(af, s, s ? Len(s) : 0); }
    void Insert(UINT32 af, const S& str) { Insert(af, str.text, str.length); }

    // Removes the inclusive range from..to.
    void Remove(UINT32 from, UINT32 to)
    {
        const UINT32 count = length;
        if (ZN_CHECK_FAILED(from >= count || to >= count || from > to))
            return;
        if (to < count - 1)
            memmove(text + from, text + to + 1, (size_t)(count - 1 - to) * sizeof(C));
        SetLength(count - (to - from + 1));
    }

    // Copies size characters starting at off into out (out may be this string).
    // off + size == length is the last legal range. On a failed check out is emptied.
    void Mid(UINT32 off, UINT32 size, S& out) const
    {
        const UINT32 count = length;
        if (ZN_CHECK_FAILED(off >= count + 1 || size >= count + 1 || off + size >= count + 1))
        {
            if (&out != this)
                out.SetLength(0);
            return;
        }
        CopyOut(off, size, out);
    }
    // Keeps only size characters starting at off; the heap block stays.
    void Mid(UINT32 off, UINT32 size)
    {
        const UINT32 count = length;
        if (ZN_CHECK_FAILED(off >= count + 1 || size >= count + 1 || off + size >= count + 1))
            return;
        memmove(text, text + off, (size_t)size * sizeof(C));
        text[size] = 0;
        length     = size;
    }

    // Copies the inclusive range first..last into out; negative indices count
    // from the end (-1 is the last character); last < first gives "".
    void Range(INT32 first, INT32 last, S& out) const
    {
        const UINT32 count = length;
        if (first < 0)
            first += (INT32)count;
        if (last < 0)
            last += (INT32)count;
        if (last < first)
        {
            out.SetLength(0);
            return;
        }
        const UINT32 r0 = (UINT32)first, r1 = (UINT32)last;
        bool         bad = ZN_CHECK_FAILED(r0 >= count);
        bad              = ZN_CHECK_FAILED(r1 >= count) || bad;
        if (bad)
        {
            if (&out != this)
                out.SetLength(0);
            return;
        }
        CopyOut(r0, r1 - r0 + 1, out);
    }
    // Keeps only the inclusive range r0..r1 (negative indices count from the end).
    void Range(INT32 r0, INT32 r1)
    {
        const UINT32 count = length;
        if (r0 < 0)
            r0 += (INT32)count;
        if (r1 < 0)
            r1 += (INT32)count;
        if (r1 < r0)
        {
            SetLength(0);
            return;
        }
        bool bad = ZN_CHECK_FAILED(r0 < 0 || r0 >= (INT32)count);
        bad      = ZN_CHECK_FAILED(r1 < 0 || r1 >= (INT32)count) || bad;
        if (bad)
            return;
        UINT32 n = (UINT32)(r1 - r0 + 1);
        memmove(text, text + r0, (size_t)n * sizeof(C));
        text[n] = 0;
        length  = n;
    }

    // printf into the string, at most maxLength characters: the string is first
    // set to maxLength (so a long limit moves it to the heap for good), longer
    // output is cut. The arguments must not point into this string. Returns the
    // new length. (ZNWString prints with narrow rules and widens the bytes.)
    UINT32 Format(UINT32 maxLength, const char* format, ...) __attribute__((format(printf, 3, 4)))
    {
        va_list args;
        va_start(args, format);
        UINT32 n = FormatV(maxLength, format, args);
        va_end(args);
        return n;
    }
    UINT32 FormatV(UINT32 maxLength, const char* format, va_list args) __attribute__((format(printf, 3, 0)))
    {
        SetLength(maxLength);
        int n        = ZNVSPrintf(text, maxLength + 1, format, args);
        length       = n < 0 ? 0 : (UINT32)n;
        text[length] = 0;
        return length;
    }
    // A new string holding the whole printf output.
    static S Formatted(const char* format, ...) __attribute__((format(printf, 1, 2)))
    {
        va_list args, count;
        va_start(args, format);
        va_copy(count, args);
        int n = vsnprintf(nullptr, 0, format, count);
        va_end(count);
        S out;
        if (n > 0)
            out.FormatV((UINT32)n, format, args);
        va_end(args);
        return out;
    }

    // Removes spaces and tabs from both ends.
    void Trim()
    {
        UINT32 b = 0, e = length;
        while (b < e && (text[b] == ' ' || text[b] == '\t'))
            ++b;
        while (e > b && (text[e - 1] == ' ' || text[e - 1] == '\t'))
            --e;
        Mid(b, e - b);
    }

    // A copy with A..Z folded to a..z.
    S ToLower() const
    {
        S out(Self());
        for (UINT32 i = 0; i < out.length; ++i)
            if (out.text[i] >= 'A' && out.text[i] <= 'Z')
                out.text[i] = (C)(out.text[i] + 32);
        return out;
    }

    void Append(const C* s, UINT32 n)
    {
        if (!s || n == 0)
            return;
        if (ZNPointsInto(s, text, (size_t)(length + 1) * sizeof(C)))
        {
            // SetLength may move the text; the source moves with it.
            UINT32 offset = (UINT32)(s - text), old = length;
            SetLength(old + n);
            memmove(text + old, text + offset, (size_t)n * sizeof(C));
            return;
        }
        UINT32 old = length;
        SetLength(old + n);
        memcpy(text + old, s, (size_t)n * sizeof(C));
    }
    void Append(const C* s) { Append(s, s ? Len(s) : 0); }
    void Append(const S& str) { Append(str.text, str.length); }

    S& operator+=(C ch)
    {
        if (heap ? length + 1 < capacity : length < 31)
        {
            text[length]   = ch;
            text[++length] = 0;
        }
        else
        {
            Insert(length, ch);
        }
        return Self();
    }
    S& operator+=(const C* s)
    {
        Append(s);
        return Self();
    }
    S& operator+=(const S& str)
    {
        Append(str.text, str.length);
        return Self();
    }

    friend S operator+(const S& a, const S& b)
    {
        S r(a);
        r.Append(b.text, b.length);
        return r;
    }
    friend S operator+(const S& a, const C* b)
    {
        S r(a);
        r.Append(b);
        return r;
    }
    friend S operator+(const C* a, const S& b)
    {
        S r(a);
        r.Append(b.text, b.length);
        return r;
    }
    friend S operator+(const S& a, C b)
    {
        S r(a);
        r += b;
        return r;
    }

    // Byte-wise (unsigned code) comparison: -1, 0 or 1.
    int Compare(const C* s, UINT32 n) const
    {
        UINT32 m = length < n ? length : n;
        if (sizeof(C) == 1)
        {
            int c = memcmp(text, s, m);
            if (c != 0)
                return c < 0 ? -1 : 1;
        }
        else
        {
            for (UINT32 i = 0; i < m; ++i)
                if (text[i] != s[i])
                    return (UINT32)text[i] < (UINT32)s[i] ? -1 : 1;
        }
        return length == n ? 0 : (length < n ? -1 : 1);
    }
    int Compare(const S& other) const { return Compare(other.text, other.length); }

    friend bool operator==(const S& a, const S& b)
    {
        return a.length == b.length && memcmp(a.text, b.text, (size_t)a.length * sizeof(C)) == 0;
    }
    friend bool operator==(const S& a, const C* b) { return b && a.Compare(b, Len(b)) == 0; }
    friend bool operator==(const C* a, const S& b) { return b == a; }
    friend bool operator!=(const S& a, const S& b) { return !(a == b); }
    friend bool operator!=(const S& a, const C* b) { return !(a == b); }
    friend bool operator!=(const C* a, const S& b) { return !(b == a); }
    friend bool operator<(const S& a, const S& b) { return a.Compare(b) < 0; }
    friend bool operator>(const S& a, const S& b) { return a.Compare(b) > 0; }

    // Index of the first ch (or of the first occurrence of s) at or after from, or -1.
    INT32 Find(C ch, UINT32 from = 0) const
    {
        for (UINT32 i = from; i < length; ++i)
            if (text[i] == ch)
                return (INT32)i;
        return -1;
    }
    INT32 Find(const C* s, UINT32 from = 0) const
    {
        UINT32 n = s ? Len(s) : 0;
        if (from > length || n > length - from)
            return -1;
        for (UINT32 i = from; i + n <= length; ++i)
            if (memcmp(text + i, s, (size_t)n * sizeof(C)) == 0)
                return (INT32)i;
        return -1;
    }
    INT32 Find(const S& str, UINT32 from = 0) const { return Find(str.text, from); }
    // Index of the last ch, or -1.
    INT32 FindLast(C ch) const
    {
        for (UINT32 i = length; i > 0; --i)
            if (text[i - 1] == ch)
                return (INT32)(i - 1);
        return -1;
    }

private:
    S&       Self() { return static_cast<S&>(*this); }
    const S& Self() const { return static_cast<const S&>(*this); }

    static UINT32 Len(const C* s)
    {
        if constexpr (sizeof(C) == 1)
            return (UINT32)strlen((const char*)s);   // a compiler builtin, unlike ZNStrLen
        else
            return ZNStrLen(s);
    }

    static C& Scratch()
    {
        static thread_local C scratch;
        scratch = 0;
        return scratch;
    }

    // Step of SetLength/Reserve that moves the text to a heap block of at least
    // need characters (need >= length + 1), doubling when that is larger.
    void Grow(UINT32 need)
    {
        if (capacity >= need)
            return;
        UINT32 newCapacity = (need >= 2 * capacity) ? need : 2 * capacity;
        C*     block       = (C*)ZNAlloc((size_t)newCapacity * sizeof(C));
        if (length > 0)
            memcpy(block, text, (size_t)(length + 1) * sizeof(C));
        else
            block[0] = 0;
        if (heap)
            ZNFree(heap);
        heap     = block;
        text     = block;
        capacity = newCapacity;
    }

    void Assign(const C* s, UINT32 n)
    {
        if (n > 0 && n <= length && ZNPointsInto(s, text, (size_t)(length + 1) * sizeof(C)))
        {
            // Part of this very string: the text only shrinks, nothing moves.
            memmove(text, s, (size_t)n * sizeof(C));
            SetLength(n);
            return;
        }
        SetLength(n);
        if (n)
            memcpy(text, s, (size_t)n * sizeof(C));
    }

    void Take(ZNStringT& other)
    {
        if (!other.heap)
        {
            Assign(other.text, other.length);
            return;
        }
        if (heap)
            ZNFree(heap);
        heap           = other.heap;
        capacity       = other.capacity;
        length         = other.length;
        text           = heap;
        other.heap     = nullptr;
        other.capacity = 0;
        other.length   = 0;
        other.local[0] = 0;
        other.text     = other.local;
    }

    void InsertChars(UINT32 af, const C* s, UINT32 n)
    {
        UINT32 old = length;
        SetLength(old + n);
        memmove(text + af + n, text + af, (size_t)(old - af) * sizeof(C));
        memcpy(text + af, s, (size_t)n * sizeof(C));
    }

    void CopyOut(UINT32 off, UINT32 n, S& out) const
    {
        if (&out == this)
        {
            S& self = const_cast<S&>(Self());
            memmove(self.text, self.text + off, (size_t)n * sizeof(C));
            self.text[n] = 0;
            self.length  = n;
            return;
        }
        out.SetLength(n);
        memcpy(out.text, text + off, (size_t)n * sizeof(C));
    }
};

// 8-bit string.
class ZNString : public ZNStringT<char, ZNString>
{
public:
    using ZNStringT<char, ZNString>::ZNStringT;
    using ZNStringT<char, ZNString>::operator=;
};

// 16-bit string (capacities count characters).
class ZNWString : public ZNStringT<ZNWChar, ZNWString>
{
public:
    using ZNStringT<ZNWChar, ZNWString>::ZNStringT;
    using ZNStringT<ZNWChar, ZNWString>::operator=;
};

// 32-bit FNV-1 over the characters, each XORed in as a signed 8-bit value
// widened to 32 bits. Equality for the hash tables is ZNString's operator==.
struct ZNStringHash
{
    static UINT32 Hash(const char* s, UINT32 n)
    {
        UINT32 h = 2166136261u;
        for (UINT32 i = 0; i < n; ++i)
        {
            h *= 16777619u;
            h ^= (UINT32)(INT32)(INT8)s[i];
        }
        return h;
    }
    size_t operator()(const ZNString& s) const { return Hash(s.CStr(), s.Size()); }
};

//------------------------------------------------------------------------------
// Byte blocks. ZNMemView is a non-owning window; ZNMemBlock owns its bytes
// (standard new/delete, contents not kept by Resize). Both share ZNMemBytes,
// so the byte-access operations serve both.
//------------------------------------------------------------------------------
class ZNMemView;

class ZNMemBytes
{
public:
    UINT8* data;   // first byte
    UINT32 size;   // bytes

    UINT32 Size() const { return size; }

    UINT8* Data()
    {
        if (ZN_CHECK_FAILED(size == 0))
            return nullptr;
        return data;
    }
    const UINT8* Data() const
    {
        if (ZN_CHECK_FAILED(size == 0))
            return nullptr;
        return data;
    }

    UINT8& operator[](UINT32 i)
    {
        if (ZN_CHECK_FAILED(i >= size))
            return Scratch();
        return data[i];
    }
    const UINT8& operator[](UINT32 i) const
    {
        if (ZN_CHECK_FAILED(i >= size))
            return Scratch();
        return data[i];
    }

    // Copies every byte of a block of the same size.
    void CopyFrom(const ZNMemBytes& from)
    {
        if (ZN_CHECK_FAILED(size != from.size))
            return;
        if (size)
            memmove(data, from.data, size);
    }

    // sz bytes starting at at; an empty view on a failed check.
    inline ZNMemView View(UINT32 at, UINT32 sz) const;

protected:
    ZNMemBytes() : data(nullptr), size(0) {}
    ZNMemBytes(UINT8* d, UINT32 s) : data(d), size(s) {}

    static UINT8& Scratch()
    {
        static thread_local UINT8 scratch;
        scratch = 0;
        return scratch;
    }
};

class ZNMemView : public ZNMemBytes
{
public:
    ZNMemView() {}
    ZNMemView(void* d, UINT32 s) : ZNMemBytes((UINT8*)d, s) {}
    ZNMemView(const void* d, UINT32 s) : ZNMemBytes((UINT8*)const_cast<void*>(d), s) {}
    ZNMemView(const ZNMemBytes& bytes) : ZNMemBytes(bytes.data, bytes.size) {}
};

inline ZNMemView ZNMemBytes::View(UINT32 at, UINT32 sz) const
{
    if (ZN_CHECK_FAILED(at >= size || sz > size || at + sz > size))
        return ZNMemView();
    return ZNMemView(data + at, sz);
}

class ZNMemBlock : public ZNMemBytes
{
public:
    ZNMemBlock() {}
    explicit ZNMemBlock(UINT32 sz) { Resize(sz); }
    ZNMemBlock(const ZNMemBlock& other) : ZNMemBytes() { *this = other; }
    ZNMemBlock(ZNMemBlock&& other) noexcept : ZNMemBytes(other.data, other.size)
    {
        other.data = nullptr;
        other.size = 0;
    }
    ~ZNMemBlock() { delete[] data; }

    // A fresh block of sz bytes when sz differs from the size; contents are not kept.
    void Resize(UINT32 sz)
    {
        if (ZN_CHECK_FAILED(sz == 0))
            return;
        if (sz == size)
            return;
        delete[] data;
        data = new UINT8[sz];
        size = sz;
    }
    // Frees the bytes; the block is empty afterwards.
    void Release()
    {
        delete[] data;
        data = nullptr;
        size = 0;
    }

    // Takes the size of from and copies its bytes; an empty source empties this block.
    ZNMemBlock& operator=(const ZNMemBytes& from)
    {
        if (&from == this)
            return *this;
        if (from.size == 0)
        {
            Release();
            return *this;
        }
        Resize(from.size);
        if (ZN_CHECK_FAILED(size != from.size))
            return *this;
        memcpy(data, from.data, size);
        return *this;
    }
    ZNMemBlock& operator=(const ZNMemBlock& from) { return *this = static_cast<const ZNMemBytes&>(from); }
    ZNMemBlock& operator=(ZNMemBlock&& from) noexcept
    {
        if (&from != this)
        {
            delete[] data;
            data      = from.data;
            size      = from.size;
            from.data = nullptr;
            from.size = 0;
        }
        return *this;
    }
};

//------------------------------------------------------------------------------
// ZNHeapArray<T>: size fixed when made (new T[n](), released with delete[]).
//------------------------------------------------------------------------------
template <typename T>
class ZNHeapArray
{
public:
    T*     data;   // the elements, null when empty
    UINT32 size;   // element count

    ZNHeapArray() : data(nullptr), size(0) {}
    explicit ZNHeapArray(UINT32 n) : data(n ? new T[n]() : nullptr), size(n) {}
    ZNHeapArray(const ZNHeapArray& other) : ZNHeapArray(other.size)
    {
        for (UINT32 i = 0; i < size; ++i)
            data[i] = other.data[i];
    }
    ZNHeapArray(ZNHeapArray&& other) noexcept : data(other.data), size(other.size)
    {
        other.data = nullptr;
        other.size = 0;
    }
    ~ZNHeapArray() { delete[] data; }

    ZNHeapArray& operator=(const ZNHeapArray& other)
    {
        if (this != &other)
        {
            ZNHeapArray copy(other);
            *this = std::move(copy);
        }
        return *this;
    }
    ZNHeapArray& operator=(ZNHeapArray&& other) noexcept
    {
        if (this != &other)
        {
            delete[] data;
            data       = other.data;
            size       = other.size;
            other.data = nullptr;
            other.size = 0;
        }
        return *this;
    }

    // Discards the elements and makes n fresh (value-initialised) ones.
    void Create(UINT32 n) { *this = ZNHeapArray(n); }

    UINT32   Size() const { return size; }
    T*       begin() { return data; }
    T*       end() { return data + size; }
    const T* begin() const { return data; }
    const T* end() const { return data + size; }

    T& operator[](UINT32 i)
    {
        if (ZN_CHECK_FAILED(i >= size))
            return Scratch();
        return data[i];
    }
    const T& operator[](UINT32 i) const
    {
        if (ZN_CHECK_FAILED(i >= size))
            return Scratch();
        return data[i];
    }

private:
    static T& Scratch()
    {
        static thread_local T scratch;
        scratch = T();
        return scratch;
    }
};

//------------------------------------------------------------------------------
// ZNFixedArray<T, cnt>: cnt elements inside the owner; only checked indexing.
//------------------------------------------------------------------------------
template <typename T, UINT32 cnt>
class ZNFixedArray
{
public:
    T items[cnt];   // the elements

    UINT32   Size() const { return cnt; }
    T*       begin() { return items; }
    T*       end() { return items + cnt; }
    const T* begin() const { return items; }
    const T* end() const { return items + cnt; }

    T& operator[](UINT32 off)
    {
        if (ZN_CHECK_FAILED(off >= cnt))
            return Scratch();
        return items[off];
    }
    const T& operator[](UINT32 off) const
    {
        if (ZN_CHECK_FAILED(off >= cnt))
            return Scratch();
        return items[off];
    }

private:
    static T& Scratch()
    {
        static thread_local T scratch;
        scratch = T();
        return scratch;
    }
};

//------------------------------------------------------------------------------
// ZNMap<K, V>: ordered map kept as a red-black tree. Insert and Remove are
// single top-down passes (no parent links, no second pass back up). String
// keys order byte-wise, integer keys as signed numbers. A node is one ZNAlloc
// allocation. Remove moves the in-order neighbour's key and value into the
// removed entry's node and frees the neighbour's node, so node pointers from
// Find or Insert stay valid only until the next Remove (of any key).
//------------------------------------------------------------------------------

// Links and colour of a tree node; the sentinel above the root is one of these.
struct ZNMapLinks
{
    ZNMapLinks* link[2];   // children: 0 left, 1 right
    UINT32      red;       // 1 red, 0 black
};

template <typename K, typename V>
struct ZNMapNode : ZNMapLinks
{
    K key;     // the key
    V value;   // the value

    ZNMapNode(const K& k, const V& v) : key(k), value(v)
    {
        link[0] = link[1] = nullptr;
        red               = 1;
    }
    ZNMapNode*       Child(int dir) { return static_cast<ZNMapNode*>(link[dir]); }
    const ZNMapNode* Child(int dir) const { return static_cast<const ZNMapNode*>(link[dir]); }
};

// Three-way key comparison used by ZNMap: -1, 0 or 1.
template <typename K>
inline int ZNMapCompare(const K& a, const K& b)
{
    return (a < b) ? -1 : ((b < a) ? 1 : 0);
}
inline int ZNMapCompare(const ZNString& a, const ZNString& b)
{
    return a.Compare(b);
}
inline int ZNMapCompare(const ZNWString& a, const ZNWString& b)
{
    return a.Compare(b);
}

template <typename K, typename V>
class ZNMap
{
public:
    typedef ZNMapNode<K, V> Node;

    Node*  root;    // null when empty
    UINT32 count;   // nodes

    ZNMap() : root(nullptr), count(0) {}
    ZNMap(const ZNMap& other) : root(Clone(other.root)), count(other.count) {}
    ZNMap(ZNMap&& other) noexcept : root(other.root), count(other.count)
    {
        other.root  = nullptr;
        other.count = 0;
    }
    ~ZNMap() { Clear(); }

    ZNMap& operator=(const ZNMap& other)
    {
        if (this != &other)
        {
            Clear();
            root  = Clone(other.root);
            count = other.count;
        }
        return *this;
    }
    ZNMap& operator=(ZNMap&& other) noexcept
    {
        if (this != &other)
        {
            Clear();
            root        = other.root;
            count       = other.count;
            other.root  = nullptr;
            other.count = 0;
        }
        return *this;
    }

    UINT32 Size() const { return count; }
    bool   Empty() const { return count == 0; }

    Node* Find(const K& key)
    {
        Node* n = root;
        while (n)
        {
            int c = ZNMapCompare(n->key, key);
            if (c == 0)
                return n;
            n = n->Child(c < 0);
        }
        return nullptr;
    }
    const Node* Find(const K& key) const { return const_cast<ZNMap*>(this)->Find(key); }

    // The new node, or null when the key is present (its entry is left unchanged).
    Node* Insert(const K& key, const V& value)
    {
        if (!root)
        {
            root = NewNode(key, value);
            if (ZN_CHECK_FAILED(!root))
                return nullptr;
            ++count;
            root->red = 0;
            return root;
        }

        ZNMapLinks head;   // sentinel above the root
        head.link[0]        = nullptr;
        head.link[1]        = root;
        head.red            = 0;
        ZNMapLinks* t       = &head;     // great-grandparent
        ZNMapLinks* g       = nullptr;   // grandparent
        ZNMapLinks* p       = nullptr;   // parent
        ZNMapLinks* q       = root;      // current
        Node*       created = nullptr;
        int         dir = 0, last = 0;
        for (;;)
        {
            if (!q)
            {
                q = created  = NewNode(key, value);
                p->link[dir] = q;
                ++count;
            }
            else if (IsRed(q->link[0]) && IsRed(q->link[1]))
            {
                q->red          = 1;
                q->link[0]->red = 0;
                q->link[1]->red = 0;
            }
            if (IsRed(q) && IsRed(p))
            {
                int dir2 = t->link[1] == g;
                if (q == p->link[last])
                    t->link[dir2] = RotateSingle(g, !last);
                else
                    t->link[dir2] = RotateDouble(g, !last);
            }
            if (q == created)
                break;
            int c = ZNMapCompare(static_cast<Node*>(q)->key, key);
            if (c == 0)
                break;
            last = dir;
            dir  = c < 0;
            if (g)
                t = g;
            g = p;
            p = q;
            q = q->link[dir];
        }
        root      = static_cast<Node*>(head.link[1]);
        root->red = 0;
        return created;
    }

    // The value of key, inserted with a default value first when absent.
    V& operator[](const K& key)
    {
        if (Node* n = Find(key))
            return n->value;
        return Insert(key, V())->value;
    }

    // 1 when an entry was removed, else 0.
    INT32 Remove(const K& key)
    {
        if (!root)
            return 0;
        ZNMapLinks head;   // sentinel above the root
        head.link[0]      = nullptr;
        head.link[1]      = root;
        head.red          = 0;
        ZNMapLinks* q     = &head;
        ZNMapLinks* p     = nullptr;
        ZNMapLinks* g     = nullptr;
        Node*       found = nullptr;
        int         dir   = 1;
        // Walk down pushing a red node ahead, so the node finally unlinked is red.
        while (q->link[dir])
        {
            int last = dir;
            g        = p;
            p        = q;
            q        = q->link[dir];
            // Past the match the walk stays in its left subtree, where every key
            // is smaller: no more comparisons are needed.
            int c = found ? -1 : ZNMapCompare(static_cast<Node*>(q)->key, key);
            dir   = c < 0;
            if (c == 0)
                found = static_cast<Node*>(q);

            if (!IsRed(q) && !IsRed(q->link[dir]))
            {
                if (IsRed(q->link[!dir]))
                {
                    p->link[last] = RotateSingle(q, dir);
                    p             = p->link[last];
                }
                else
                {
                    ZNMapLinks* s = p->link[!last];
                    if (s)
                    {
                        if (!IsRed(s->link[!last]) && !IsRed(s->link[last]))
                        {
                            p->red = 0;
                            s->red = 1;
                            q->red = 1;
                        }
                        else
                        {
                            int dir2 = g->link[1] == p;
                            if (IsRed(s->link[last]))
                                g->link[dir2] = RotateDouble(p, last);
                            else
                                g->link[dir2] = RotateSingle(p, last);
                            ZNMapLinks* up = g->link[dir2];
                            q->red = up->red = 1;
                            up->link[0]->red = 0;
                            up->link[1]->red = 0;
                        }
                    }
                }
            }
        }
        if (found)
        {
            Node* victim = static_cast<Node*>(q);
            if (found != victim)
            {
                found->key   = std::move(victim->key);
                found->value = std::move(victim->value);
            }
            p->link[p->link[1] == q] = q->link[q->link[0] == nullptr];
            DeleteNode(victim);
            --count;
        }
        root = static_cast<Node*>(head.link[1]);
        if (root)
            root->red = 0;
        return found ? 1 : 0;
    }

    // Destroys every entry.
    void Clear()
    {
        DeleteTree(root);
        root  = nullptr;
        count = 0;
    }

    // Calls fn(const K& key, V& value) for every entry in ascending key order.
    // fn must not insert or remove entries.
    template <typename F>
    void ForEach(F&& fn)
    {
        Node* stack[128];
        int   top = 0;
        Node* n   = root;
        while (n || top)
        {
            while (n)
            {
                stack[top++] = n;
                n            = n->Child(0);
            }
            n = stack[--top];
            fn(static_cast<const K&>(n->key), n->value);
            n = n->Child(1);
        }
    }
    template <typename F>
    void ForEach(F&& fn) const
    {
        const Node* stack[128];
        int         top = 0;
        const Node* n   = root;
        while (n || top)
        {
            while (n)
            {
                stack[top++] = n;
                n            = n->Child(0);
            }
            n = stack[--top];
            fn(n->key, n->value);
            n = n->Child(1);
        }
    }

private:
    static bool IsRed(const ZNMapLinks* n) { return n && n->red; }

    // Lifts the child on side !dir; the old node becomes its child on side dir.
    static ZNMapLinks* RotateSingle(ZNMapLinks* node, int dir)
    {
        ZNMapLinks* save = node->link[!dir];
        node->link[!dir] = save->link[dir];
        save->link[dir]  = node;
        node->red        = 1;
        save->red        = 0;
        return save;
    }
    static ZNMapLinks* RotateDouble(ZNMapLinks* node, int dir)
    {
        node->link[!dir] = RotateSingle(node->link[!dir], !dir);
        return RotateSingle(node, dir);
    }

    static Node* NewNode(const K& key, const V& value)
    {
        void* mem = ZNAlloc(sizeof(Node));
        return new (mem) Node(key, value);
    }
    static void DeleteNode(Node* n)
    {
        n->~Node();
        ZNFree(n);
    }
    static void DeleteTree(Node* n)
    {
        while (n)
        {
            DeleteTree(n->Child(0));
            Node* right = n->Child(1);
            DeleteNode(n);
            n = right;
        }
    }
    static Node* Clone(const Node* n)
    {
        if (!n)
            return nullptr;
        Node* c    = NewNode(n->key, n->value);
        c->red     = n->red;
        c->link[0] = Clone(n->Child(0));
        c->link[1] = Clone(n->Child(1));
        return c;
    }
};
