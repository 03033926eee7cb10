// ZNSharedPtr: the engine's reference-counted pointer.
//
//   ZNSharedPtr<ZNWindow> win(new ZNWindow);      // takes ownership, count 1
//   ZNSharedPtr<ZNWindow> other = win;             // count 2
//   win.Reset();                                   // count 1; other still valid
//
// Guarantees:
// - A null pointer has no control block; only a non-null pointer allocates one,
//   with ZNAlloc.
// - Copying adds a reference, releasing removes one; the last release deletes the
//   object (with `delete`, so objects are created with `new`) and then frees the
//   control block.
// - The deleter is recorded when the first pointer is made, so a pointer converted
//   to a base class still deletes the object as the type it was created with.
// - The count is atomic: references may be dropped on different threads, but one
//   ZNSharedPtr object itself must not be written by two threads at once.
#pragma once

#include <atomic>
#include <new>
#include <utility>

#include "core/ZNAssert.h"

// Control block shared by every pointer to one object.
struct ZNSharedBlock
{
    std::atomic<UINT32> Refs;     // live ZNSharedPtr objects
    void*               Object;   // the object as created
    void (*Destroy)(void*);       // deletes Object with its own type
};

template <class T>
class ZNSharedPtr
{
public:
    ZNSharedPtr() : Ptr(nullptr), Block(nullptr) {}
    ZNSharedPtr(decltype(nullptr)) : Ptr(nullptr), Block(nullptr) {}

    // Takes ownership of obj (made with new); null gives an empty pointer.
    template <class U>
    explicit ZNSharedPtr(U* obj) : Ptr(obj), Block(nullptr)
    {
        if (obj)
            Block = MakeBlock(obj);
    }

    ZNSharedPtr(const ZNSharedPtr& other) : Ptr(other.Ptr), Block(other.Block) { AddRef(); }
    ZNSharedPtr(ZNSharedPtr&& other) noexcept : Ptr(other.Ptr), Block(other.Block)
    {
        other.Ptr   = nullptr;
        other.Block = nullptr;
    }

    // Conversion from a pointer to a derived type.
    template <class U>
    ZNSharedPtr(const ZNSharedPtr<U>& other) : Ptr(other.Ptr), Block(other.Block)
    {
        AddRef();
    }

    ~ZNSharedPtr() { Release(); }

    ZNSharedPtr& operator=(const ZNSharedPtr& other)
    {
        // Take the new reference first: assigning a pointer to itself, or to a
        // pointer the old object owns, must not free what is being copied.
        ZNSharedPtr keep(other);
        Swap(keep);
        return *this;
    }
    ZNSharedPtr& operator=(ZNSharedPtr&& other) noexcept
    {
        ZNSharedPtr keep(std::move(other));
        Swap(keep);
        return *this;
    }
    ZNSharedPtr& operator=(decltype(nullptr))
    {
        Reset();
        return *this;
    }

    // Drops this reference; the pointer becomes null.
    void Reset()
    {
        ZNSharedPtr empty;
        Swap(empty);
    }
    // Drops this reference and takes ownership of obj instead.
    template <class U>
    void Reset(U* obj)
    {
        ZNSharedPtr fresh(obj);
        Swap(fresh);
    }

    void Swap(ZNSharedPtr& other)
    {
        std::swap(Ptr, other.Ptr);
        std::swap(Block, other.Block);
    }

    T* Get() const { return Ptr; }
    T* operator->() const
    {
        BREAK_IF(!Ptr);
        return Ptr;
    }
    T& operator*() const
    {
        BREAK_IF(!Ptr);
        return *Ptr;
    }
    explicit operator bool() const { return Ptr != nullptr; }
    UINT32   UseCount() const { return Block ? Block->Refs.load() : 0; }

    template <class U>
    bool operator==(const ZNSharedPtr<U>& o) const
    {
        return Ptr == o.Get();
    }
    template <class U>
    bool operator!=(const ZNSharedPtr<U>& o) const
    {
        return Ptr != o.Get();
    }
    bool operator==(decltype(nullptr)) const { return Ptr == nullptr; }
    bool operator!=(decltype(nullptr)) const { return Ptr != nullptr; }
    bool operator<(const ZNSharedPtr& o) const { return Ptr < o.Ptr; }

private:
    template <class U>
    friend class ZNSharedPtr;

    template <class U>
    static void DeleteAs(void* obj)
    {
        delete static_cast<U*>(obj);
    }

    template <class U>
    static ZNSharedBlock* MakeBlock(U* obj)
    {
        ZNSharedBlock* b = static_cast<ZNSharedBlock*>(ZNAlloc(sizeof(ZNSharedBlock)));
        new (&b->Refs) std::atomic<UINT32>(1);
        b->Object  = obj;
        b->Destroy = &DeleteAs<U>;
        return b;
    }

    void AddRef()
    {
        if (Block)
            Block->Refs.fetch_add(1, std::memory_order_relaxed);
    }

    void Release()
    {
        ZNSharedBlock* b = Block;
        Ptr              = nullptr;
        Block            = nullptr;
        if (b && b->Refs.fetch_sub(1, std::memory_order_acq_rel) == 1)
        {
            b->Destroy(b->Object);
            b->Refs.~atomic();
            ZNFree(b);
        }
    }

    T*             Ptr;     // the object as this pointer's type
    ZNSharedBlock* Block;   // null exactly when Ptr is null
};

// Creates an object with new and wraps it.
template <class T, class... Args>
ZNSharedPtr<T> ZNMakeShared(Args&&... args)
{
    return ZNSharedPtr<T>(new T(std::forward<Args>(args)...));
}
