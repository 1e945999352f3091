#include "runtime/path/node_factory.h"

#include <new>

namespace korvane {

NodeFactory::~NodeFactory() { freePool(); }

bool NodeFactory::createPool(int32_t count) {
  if (count <= 0) return false;
  freePool();
  nodes_ = new (std::nothrow) Node*[static_cast<std::size_t>(count)];
  if (nodes_ == nullptr) return false;
  for (int32_t i = 0; i < count; ++i) {
    nodes_[i] = new (std::nothrow) Node;
    if (nodes_[i] == nullptr) {
      capacity_ = i;
      freePool();
      return false;
    }
  }
  capacity_ = count;
  handedOut_ = 0;
  return true;
}

Node* NodeFactory::allocateNode() {
  if (handedOut_ >= capacity_) return nullptr;
  Node* node = nodes_[handedOut_++];
  *node = Node{};
  return node;
}

void NodeFactory::releaseNode() {
  if (handedOut_ > 0) --handedOut_;
}

void NodeFactory::freePool() {
  for (int32_t i = 0; i < capacity_; ++i) delete nodes_[i];
  delete[] nodes_;
  nodes_ = nullptr;
  capacity_ = 0;
  handedOut_ = 0;
}

}  // namespace korvane
