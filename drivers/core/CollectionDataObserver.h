#pragma once
class Listener;

class CollectionDataObserver {
public:
  virtual ~CollectionDataObserver() = default;
  virtual void addListener(Listener* listener) = 0;
  virtual void removeListener(Listener* listener) = 0;
};
