#include "sefaz-sim/SimOpenConnections.h"

#include <sys/socket.h>

namespace vxn::sim {

int TSimOpenConnections::ConnectionIndex() {
  // OnFree runs when OpenSSL frees a connection: its socket is still open then, and the entry goes
  // before the socket can be closed and its number taken by another.
  static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, &TSimOpenConnections::OnFree);
  return index;
}

int TSimOpenConnections::ContextIndex() {
  static const int index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
  return index;
}

TSimOpenConnections* TSimOpenConnections::Of(const SSL* ssl) {
  return ssl ? static_cast<TSimOpenConnections*>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(ssl), ContextIndex()))
             : nullptr;
}

void TSimOpenConnections::Follow(SSL_CTX& ctx) {
  ConnectionIndex();
  SSL_CTX_set_ex_data(&ctx, ContextIndex(), this);
  SSL_CTX_set_info_callback(&ctx, &TSimOpenConnections::OnInfo);
}

void TSimOpenConnections::OnInfo(const SSL* ssl, int where, int /*ret*/) {
  TSimOpenConnections* self = (where & SSL_CB_HANDSHAKE_START) ? Of(ssl) : nullptr;
  const int fd = self ? SSL_get_fd(ssl) : -1;
  if (fd < 0)
    return;
  std::lock_guard lock(self->mutex_);
  if (self->open_.emplace(ssl, TConnection{fd}).second)
    SSL_set_ex_data(const_cast<SSL*>(ssl), ConnectionIndex(), self); // this object's own slot
}

void TSimOpenConnections::OnFree(void* ssl, void* self, CRYPTO_EX_DATA*, int, long, void*) {
  if (!self)
    return;
  auto* connections = static_cast<TSimOpenConnections*>(self);
  std::lock_guard lock(connections->mutex_);
  connections->open_.erase(static_cast<const SSL*>(ssl));
}

void TSimOpenConnections::Answering(const SSL* ssl) {
  TSimOpenConnections* self = Of(ssl);
  if (!self)
    return;
  std::lock_guard lock(self->mutex_);
  if (const auto it = self->open_.find(ssl); it != self->open_.end())
    it->second.Answering = true;
}

void TSimOpenConnections::Answered(const SSL* ssl) {
  TSimOpenConnections* self = Of(ssl);
  if (!self)
    return;
  std::lock_guard lock(self->mutex_);
  const auto it = self->open_.find(ssl);
  if (it == self->open_.end())
    return;
  it->second.Answering = false;
  if (it->second.End)
    shutdown(it->second.Socket, SHUT_RDWR);
}

void TSimOpenConnections::EndAll() {
  std::lock_guard lock(mutex_);
  for (auto& [ssl, connection] : open_) {
    connection.End = true;
    if (!connection.Answering)
      shutdown(connection.Socket, SHUT_RDWR);
  }
}

} // namespace vxn::sim
