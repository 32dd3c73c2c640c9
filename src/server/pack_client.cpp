#include "server/pack_client.h"

#include <string>
#include <vector>

#include "server/pack_client_socket.h"

namespace orvane {

PackClient::PackClient() = default;

PackClient::~PackClient() {
  std::map<PackClientHandle, std::shared_ptr<PackClientSocket>> clients;
  {
    std::lock_guard lock(mutex_);
    clients.swap(clients_);
  }
  for (auto& [handle, client] : clients) client->shutdown();
}

PackClientHandle PackClient::create(bool tls) {
  if (tls) return 0;
  try {
    std::lock_guard lock(mutex_);
    if (!listener_) listener_ = std::make_shared<PackListener>();
    const PackClientHandle handle = nextHandle_;
    auto client = std::make_shared<PackClientSocket>(handle, listener_);
    if (!client->launch()) return 0;
    ++nextHandle_;
    clients_.emplace(handle, std::move(client));
    return handle;
  } catch (const std::exception&) {
    return 0;
  }
}

void PackClient::destroy(PackClientHandle client) {
  std::shared_ptr<PackClientSocket> found;
  {
    std::lock_guard lock(mutex_);
    const auto it = clients_.find(client);
    if (it == clients_.end()) return;
    found = std::move(it->second);
    clients_.erase(it);
  }
  found->shutdown();
}

std::shared_ptr<PackClientSocket> PackClient::find(PackClientHandle client) const {
  std::lock_guard lock(mutex_);
  const auto it = clients_.find(client);
  return it == clients_.end() ? nullptr : it->second;
}

bool PackClient::start(PackClientHandle client, std::string_view address, std::uint16_t port,
                       bool asyncConnect) {
  const auto found = find(client);
  return found && found->start(std::string(address), port, asyncConnect);
}

bool PackClient::stop(PackClientHandle client) {
  const auto found = find(client);
  return found && found->stop();
}

bool PackClient::send(PackClientHandle client, std::span<const std::uint8_t> pack) {
  const auto found = find(client);
  return found && found->send(pack);
}

bool PackClient::send(PackClientHandle client, std::string_view pack) {
  return send(client, std::span<const std::uint8_t>(
                          reinterpret_cast<const std::uint8_t*>(pack.data()), pack.size()));
}

PackClientState PackClient::getState(PackClientHandle client) const {
  const auto found = find(client);
  return found ? found->state() : PackClientState::Stopped;
}

int PackClient::lastError(PackClientHandle client) const {
  const auto found = find(client);
  return found ? found->lastError() : 0;
}

bool PackClient::setMaxPackSize(PackClientHandle client, std::uint32_t size) {
  const auto found = find(client);
  return found && found->setMaxPackSize(size);
}

bool PackClient::setConnectTimeout(PackClientHandle client, std::chrono::milliseconds timeout) {
  const auto found = find(client);
  if (!found || timeout.count() <= 0) return false;
  found->setConnectTimeout(timeout);
  return true;
}

bool PackClient::setOnConnect(ConnectHandler handler) {
  std::lock_guard lock(mutex_);
  if (!listener_) return false;
  listener_->setOnConnect(std::move(handler));
  return true;
}

bool PackClient::setOnReceive(ReceiveHandler handler) {
  std::lock_guard lock(mutex_);
  if (!listener_) return false;
  listener_->setOnReceive(std::move(handler));
  return true;
}

bool PackClient::setOnClose(CloseHandler handler) {
  std::lock_guard lock(mutex_);
  if (!listener_) return false;
  listener_->setOnClose(std::move(handler));
  return true;
}

}  // namespace orvane
