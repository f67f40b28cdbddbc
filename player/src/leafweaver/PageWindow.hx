package leafweaver;

/**
	The pages the player holds: a slot for each page near the open place,
	loaded group by group (the spread on view first, then its neighbours,
	nearest first): a group starts once the one before it has settled, so
	that the pages wanted first do not share the line with later ones. Pages
	that fall out of the window are dropped, their files released.

	Page movies are the exception: the runtime keeps everything a loaded
	movie brings (its shapes, its pictures decoded for drawing) for as long
	as the player runs, whether the movie is unloaded or not, so loading a
	movie again costs its memory a second time. A page movie that falls out
	of the window rests instead (its cached drawing released, its movie
	kept, `PageSlot.rest`) and comes back without a second load; at most
	RESTING_PAGES rest, the longest resting dropped first.
**/
class PageWindow {
	static inline var MAX_PARALLEL_LOADS = 4;
	static inline var RESTING_PAGES = 48;

	/** Called when a page has loaded or failed. */
	public var onSettled:PageSlot->Void;

	var config:BookConfig;
	var baseUrl:String;
	var slots:Map<Int, PageSlot> = new Map();
	var pending:Array<Array<Int>> = [];
	/** Page movies out of the window, kept loaded; `restOrder` from the longest resting. */
	var resting:Map<Int, PageSlot> = new Map();
	var restOrder:Array<Int> = [];

	public function new(config:BookConfig, baseUrl:String) {
		this.config = config;
		this.baseUrl = baseUrl;
	}

	/** The slot of page p, made (not loaded) when missing; null outside the book. */
	public function slot(p:Int):Null<PageSlot> {
		if (p < 0 || p >= config.pages.length)
			return null;
		var s = slots.get(p);
		if (s == null) {
			s = resting.get(p);
			if (s != null) {
				resting.remove(p);
				restOrder.remove(p);
				slots.set(p, s);
				// Shown again as if it had just loaded (its highlight, its event).
				if (s.wake())
					settled(s);
				return s;
			}
			s = new PageSlot(p, resolve(config.pages[p]), config.width, config.height, config.loaderColor, settled);
			slots.set(p, s);
		}
		return s;
	}

	/** The slot of page p if the window holds it, without making one. */
	public function held(p:Int):Null<PageSlot>
		return slots.get(p);

	/** Holds exactly the pages of `groups` and loads them, one group after the other. */
	public function keep(groups:Array<Array<Int>>) {
		var order:Array<Int> = [];
		for (g in groups)
			order = order.concat(g);
		for (k in [for (k in slots.keys()) k]) {
			if (order.indexOf(k) < 0) {
				var sl = slots.get(k);
				if (sl.holder.parent != null)
					sl.holder.parent.removeChild(sl.holder);
				sl.holder.mask = null;
				slots.remove(k);
				if (sl.rest()) {
					resting.set(k, sl);
					restOrder.push(k);
				} else {
					sl.unload();
				}
			}
		}
		while (restOrder.length > RESTING_PAGES) {
			var k = restOrder.shift();
			resting.get(k).unload();
			resting.remove(k);
		}
		pending = groups;
		for (p in order)
			slot(p);
		pump();
	}

	/** Whether a page file is on its way. */
	public function busy():Bool {
		for (s in slots)
			if (s.busy)
				return true;
		return false;
	}

	/** Pages whose file has loaded or failed, in book order. */
	public function loadedPages():Array<Int> {
		var out = [for (k in slots.keys()) if (slots.get(k).state == Loaded || slots.get(k).state == Failed) k];
		out.sort(function(a, b) return a - b);
		return out;
	}

	/** How many texts of the held pages are left out of view now (PageSlot.showOnly). */
	public function hiddenParts():Int {
		var n = 0;
		for (s in slots)
			n += s.hiddenParts();
		return n;
	}

	/** How many pages the player holds. */
	public function count():Int
		return [for (_ in slots.keys()) 1].length;

	/** How many page movies rest out of the window, loaded. */
	public function restingCount():Int
		return restOrder.length;

	/** Whether each of the pages has loaded or failed. */
	public function allSettled(pages:Array<Int>):Bool {
		for (p in pages) {
			var s = slots.get(p);
			if (s == null || s.state == Loading || s.state == Idle)
				return false;
		}
		return true;
	}

	/** "none", "idle", "loading", "loaded" or "failed". */
	public function stateOf(p:Int):String {
		var s = slots.get(p);
		return s == null ? "none" : switch (s.state) {
			case Idle: "idle";
			case Loading: "loading";
			case Loaded: "loaded";
			case Failed: "failed";
		}
	}

	function resolve(src:String):String {
		if (src == "")
			return "";
		if (src.indexOf("://") > 0 || StringTools.startsWith(src, "/"))
			return src;
		return baseUrl + src;
	}

	function settled(s:PageSlot) {
		if (onSettled != null)
			onSettled(s);
		pump();
	}

	function pump() {
		var loading = 0;
		for (s in slots)
			if (s.busy)
				loading++;
		for (g in pending) {
			var open = false;
			for (p in g) {
				var s = slots.get(p);
				if (s == null)
					continue;
				if (s.state == Idle && loading < MAX_PARALLEL_LOADS) {
					s.load();
					if (s.busy)
						loading++;
				}
				if (s.state == Idle || s.busy)
					open = true;
			}
			if (open)
				return;
		}
	}
}
