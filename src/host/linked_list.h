// _linkedlist: the host's doubly linked list of item pointers. The plug-in
// keeps its bot registry and its per-player countdowns in it, the host hands
// its player list over in the same layout, and a parsed Command keeps its
// switches in it.
//
// While `keepItems` is clear the list owns its items: removing a node or
// clearing the list deletes the item with the node. The layout is fixed by
// the host: {head, tail, count, keepItems} with natural alignment, and nodes
// {item, next, prev}. Not copyable.
#ifndef TARVOK_HOST_LINKED_LIST_H_
#define TARVOK_HOST_LINKED_LIST_H_

#include <cstddef>
#include <cstdint>
#include <new>

template <class T>
struct _listnode {
  T* item;
  _listnode* next;
  _listnode* prev;
};

template <class T>
struct _linkedlist {
  _listnode<T>* head = nullptr;
  _listnode<T>* tail = nullptr;
  std::uint32_t count = 0;
  std::uint8_t keepItems = 0;

  _linkedlist() = default;
  _linkedlist(const _linkedlist&) = delete;
  _linkedlist& operator=(const _linkedlist&) = delete;
  ~_linkedlist() { clear(); }

  // Appends `item` at the tail. Returns false, and takes no ownership, when
  // no node can be allocated.
  bool appendItem(T* item) {
    _listnode<T>* node = new (std::nothrow) _listnode<T>{item, nullptr, tail};
    if (node == nullptr) return false;
    if (tail == nullptr) {
      head = node;
    } else {
      tail->next = node;
    }
    tail = node;
    ++count;
    return true;
  }

  // Unlinks and destroys `node`, and its item unless `keepItems` is set.
  void removeNode(_listnode<T>* node) {
    if (node == tail) {
      tail = node->prev;
      if (tail != nullptr) tail->next = nullptr;
    } else {
      node->next->prev = node->prev;
    }
    if (node == head) {
      head = node->next;
      if (head != nullptr) head->prev = nullptr;
    } else {
      node->prev->next = node->next;
    }
    destroyNode(node);
    --count;
  }

  // Destroys every node (and item, unless `keepItems` is set).
  void clear() {
    _listnode<T>* node = head;
    while (node != nullptr) {
      _listnode<T>* next = node->next;
      destroyNode(node);
      node = next;
    }
    head = nullptr;
    tail = nullptr;
    count = 0;
  }

 private:
  void destroyNode(_listnode<T>* node) {
    if (!keepItems) delete node->item;
    delete node;
  }
};

#endif  // TARVOK_HOST_LINKED_LIST_H_
