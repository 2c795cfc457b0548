// CPropertyMap: a height-balanced search tree, so that building a map of n pairs takes
// n log n steps whatever order the keys come in.
#include "download/CPropertyMap.h"

#include <cstring>

#include "base/host_services.h"
#include "base/string_copy.h"

// One pair: the node, then the key and its NUL, then the value and its NUL, in one block.
// The value is found from the key's length rather than kept as a pointer, and the length
// takes 32 bits (makeNode refuses larger pairs): a long list holds hundreds of thousands of
// nodes.
struct CPropertyNode {
  CPropertyNode* left;
  CPropertyNode* right;
  uint32_t keyLength;
  int32_t height;

  const char* key() const { return reinterpret_cast<const char*>(this + 1); }
  const char* value() const { return key() + keyLength + 1; }
};

namespace {

int compareKeys(const char* a, size_t aLength, const char* b, size_t bLength) {
  // memcmp compares as unsigned char, which is the order the map promises.
  const int common = std::memcmp(a, b, aLength < bLength ? aLength : bLength);
  if (common != 0) return common;
  return aLength < bLength ? -1 : (aLength > bLength ? 1 : 0);
}

int32_t heightOf(const CPropertyNode* node) { return node ? node->height : 0; }

void updateHeight(CPropertyNode* node) {
  const int32_t left = heightOf(node->left);
  const int32_t right = heightOf(node->right);
  node->height = 1 + (left > right ? left : right);
}

CPropertyNode* rotateRight(CPropertyNode* node) {
  CPropertyNode* top = node->left;
  node->left = top->right;
  top->right = node;
  updateHeight(node);
  updateHeight(top);
  return top;
}

CPropertyNode* rotateLeft(CPropertyNode* node) {
  CPropertyNode* top = node->right;
  node->right = top->left;
  top->left = node;
  updateHeight(node);
  updateHeight(top);
  return top;
}

CPropertyNode* rebalance(CPropertyNode* node) {
  updateHeight(node);
  const int32_t balance = heightOf(node->left) - heightOf(node->right);
  if (balance > 1) {
    if (heightOf(node->left->left) < heightOf(node->left->right)) node->left = rotateLeft(node->left);
    return rotateRight(node);
  }
  if (balance < -1) {
    if (heightOf(node->right->right) < heightOf(node->right->left))
      node->right = rotateRight(node->right);
    return rotateLeft(node);
  }
  return node;
}

// Depth is bounded by the tree's height (under 1.45 log2 of the count), so recursion is safe.
CPropertyNode* insertNode(CPropertyNode* root, CPropertyNode* node) {
  if (!root) return node;
  if (compareKeys(node->key(), node->keyLength, root->key(), root->keyLength) < 0)
    root->left = insertNode(root->left, node);
  else
    root->right = insertNode(root->right, node);
  return rebalance(root);
}

const CPropertyNode* findNode(const CPropertyNode* node, const char* key, size_t keyLength) {
  while (node) {
    const int order = compareKeys(key, keyLength, node->key(), node->keyLength);
    if (order == 0) return node;
    node = order < 0 ? node->left : node->right;
  }
  return nullptr;
}

CPropertyNode* makeNode(const char* key, size_t keyLength, const char* value, size_t valueLength) {
  const size_t limit = UINT32_MAX - sizeof(CPropertyNode) - 2;
  if (keyLength > limit || valueLength > limit - keyLength) return nullptr;
  const size_t size = sizeof(CPropertyNode) + keyLength + valueLength + 2;
  auto* node = static_cast<CPropertyNode*>(NPN_MemAlloc(static_cast<uint32_t>(size)));
  if (!node) return nullptr;
  char* text = reinterpret_cast<char*>(node + 1);
  std::memcpy(text, key, keyLength);
  text[keyLength] = '\0';
  std::memcpy(text + keyLength + 1, value, valueLength);
  text[keyLength + 1 + valueLength] = '\0';
  *node = CPropertyNode{nullptr, nullptr, static_cast<uint32_t>(keyLength), 1};
  return node;
}

void freeNodes(CPropertyNode* node) {
  if (!node) return;
  freeNodes(node->left);
  freeNodes(node->right);
  NPN_MemFree(node);
}

void visitNodes(const CPropertyNode* node,
                void (*visit)(const char* key, const char* value, void* context), void* context) {
  if (!node) return;
  visitNodes(node->left, visit, context);
  visit(node->key(), node->value(), context);
  visitNodes(node->right, visit, context);
}

}  // namespace

CPropertyMap::CPropertyMap() : m_root(nullptr), m_count(0) {}

CPropertyMap::~CPropertyMap() { freeNodes(m_root); }

bool CPropertyMap::insert(const char* key, size_t keyLength, const char* value, size_t valueLength) {
  if (keyLength == 0 || findNode(m_root, key, keyLength)) return true;
  CPropertyNode* node = makeNode(key, keyLength, value, valueLength);
  if (!node) return false;
  m_root = insertNode(m_root, node);
  ++m_count;
  return true;
}

const char* CPropertyMap::find(const char* key) const {
  if (!key) return nullptr;
  const CPropertyNode* node = findNode(m_root, key, std::strlen(key));
  return node ? node->value() : nullptr;
}

void CPropertyMap::forEach(void (*visit)(const char* key, const char* value, void* context),
                           void* context) const {
  visitNodes(m_root, visit, context);
}

char* getProperty(const CPropertyMap& map, const char* key, const char* defaultValue) {
  const char* value = map.find(key);
  return copyString(value ? value : defaultValue);
}

bool copyProperty(const CPropertyMap& map, const char* key, char* buffer, size_t size) {
  const char* value = map.find(key);
  if (!value || !*value || size == 0 || !buffer) return false;
  size_t length = 0;
  while (length < size - 1 && value[length]) ++length;
  std::memcpy(buffer, value, length);
  buffer[length] = '\0';
  return true;
}
