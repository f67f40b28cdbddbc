package leafweaver;

import flash.display.Bitmap;
import flash.display.BitmapData;
import flash.display.DisplayObject;
import flash.display.DisplayObjectContainer;
import flash.display.Loader;
import flash.display.Shape;
import flash.display.Sprite;
import flash.events.ErrorEvent;
import flash.events.Event;
import flash.events.IOErrorEvent;
import flash.events.SecurityErrorEvent;
import flash.geom.Matrix;
import flash.geom.Rectangle;
import flash.net.URLLoader;
import flash.net.URLLoaderDataFormat;
import flash.net.URLRequest;
import flash.system.LoaderContext;
import flash.text.StaticText;
import flash.utils.ByteArray;

enum PageState {
	Idle;
	Loading;
	Loaded;
	Failed;
}

/**
	One page of the book: a sheet of paper of the page size with the page
	file fitted onto it. The page file is loaded on request and dropped
	again when the page is far from the open spread.

	A vector page movie (shapes and glyphs, its stage in points) is not
	shown as it is: redrawing every glyph each frame makes page turns slow.
	It is drawn once into a bitmap at the resolution the page is shown at,
	and drawn again, sharper, when the page is shown larger for a few
	frames in a row (zoom). Where the runtime cannot draw into bitmaps the
	movie is shown as it is, cached as a bitmap by the runtime.
**/
class PageSlot {
	/** Largest side and area of a page's cached bitmap. */
	static inline var MAX_CACHE_SIDE = 4096;
	static inline var MAX_CACHE_PIXELS = 12000000;
	/**
		False where the runtime's renderer cannot draw into bitmaps (the 2D
		canvas, the plain WebGL one): such a failure ends the whole event
		handler instead of raising an error, so it is known up front and
		never tried.
	**/
	public static var canDrawIntoBitmaps = false;

	/**
		Whether the renderer named (as the runtime names it) draws into
		bitmaps: the wgpu ones do; the 2D canvas and the plain WebGL one
		cannot, and so does any unknown one.
	**/
	public static function drawsIntoBitmaps(renderer:String):Bool
		return renderer == "wgpu-webgl" || renderer == "webgpu";

	static inline var MARK_COLOUR = 0xFFC800;
	static inline var MARK_ALPHA = 0.45;

	/** Frames a new display scale must hold before the page is drawn again. */
	static inline var SETTLE_FRAMES = 3;

	public var index(default, null):Int;
	public var url(default, null):String;
	public var state(default, null):PageState = Idle;
	/** The sheet; placed by the book in page coordinates (0,0)-(width,height). */
	public var holder(default, null):Sprite;

	var pageW:Float;
	var pageH:Float;
	var clip:Sprite;
	/** The found words' boxes, over the page content (`setMarks`). */
	var marks:Shape;
	var markBoxes:Array<Highlights.ShareBox> = [];
	var spinner:Shape;
	var loader:Loader;
	var urlLoader:URLLoader;
	var bitmap:Bitmap;
	var onSettled:PageSlot->Void;
	// Vector pages: the movie, its size, the bitmap it was drawn into and
	// the display scale (screen pixels per movie unit) it was drawn for.
	var vector:DisplayObject;
	var vectorW:Float = 0;
	var vectorH:Float = 0;
	var cache:Bitmap;
	var cacheBox:Sprite;
	var cacheScale:Float = 0;
	var wantScale:Float = 0;
	var wantFrames:Int = 0;
	/**
		The texts of a vector page shown as it is (where it cannot be drawn
		into a bitmap), with their boxes on the sheet: the converter writes a
		page's text in cells, and a leaf in a turn shows only the cells in
		sight, as the runtime draws every glyph of every frame.
	**/
	var parts:Array<{obj:DisplayObject, x0:Float, y0:Float, x1:Float, y1:Float}> = [];

	/** Where the page content lies on the sheet once loaded (show). */
	var contentX:Float = 0;
	var contentY:Float = 0;
	var contentW:Float = 0;
	var contentH:Float = 0;

	public function new(index:Int, url:String, w:Float, h:Float, loaderColor:Int, onSettled:PageSlot->Void) {
		this.index = index;
		this.url = url;
		this.onSettled = onSettled;
		pageW = w;
		pageH = h;
		holder = new Sprite();
		holder.mouseChildren = false;
		var paper = new Shape();
		paper.graphics.beginFill(0xFFFFFF);
		paper.graphics.drawRect(0, 0, w, h);
		paper.graphics.endFill();
		holder.addChild(paper);
		clip = new Sprite();
		clip.scrollRect = new Rectangle(0, 0, w, h);
		holder.addChild(clip);
		marks = new Shape();
		holder.addChild(marks);
		spinner = makeSpinner(loaderColor);
		spinner.x = w / 2;
		spinner.y = h / 2;
	}

	/**
		The sheet point (x, y) as shares of the page content, from its top
		left, or null while the page is not loaded.
	**/
	public function share(x:Float, y:Float):Null<Vec2> {
		if (state != Loaded || contentW <= 0 || contentH <= 0)
			return null;
		return new Vec2((x - contentX) / contentW, (y - contentY) / contentH);
	}

	/** Draws `boxes` (shares of the page content) over the page, translucent, in place of any before. */
	public function setMarks(boxes:Array<Highlights.ShareBox>) {
		markBoxes = boxes;
		drawMarks();
	}

	function drawMarks() {
		var g = marks.graphics;
		g.clear();
		if (state != Loaded || markBoxes.length == 0)
			return;
		g.beginFill(MARK_COLOUR, MARK_ALPHA);
		for (b in markBoxes)
			g.drawRect(contentX + b.x * contentW, contentY + b.y * contentH, b.w * contentW, b.h * contentH);
		g.endFill();
	}

	public var busy(get, never):Bool;

	inline function get_busy()
		return state == Loading;

	/** Starts loading the page file unless it is loaded or loading. */
	public function load() {
		if (state != Idle)
			return;
		state = Loading;
		holder.addChild(spinner);
		holder.addEventListener(Event.ENTER_FRAME, spin);
		if (url == "") {
			fail();
			return;
		}
		var ext = extensionOf(url);
		try {
			if (ext == "bmp") {
				urlLoader = new URLLoader();
				urlLoader.dataFormat = URLLoaderDataFormat.BINARY;
				urlLoader.addEventListener(Event.COMPLETE, bmpLoaded);
				urlLoader.addEventListener(IOErrorEvent.IO_ERROR, loadFailed);
				urlLoader.addEventListener(SecurityErrorEvent.SECURITY_ERROR, loadFailed);
				urlLoader.load(new URLRequest(url));
			} else {
				loader = new Loader();
				loader.contentLoaderInfo.addEventListener(Event.INIT, loaderReady);
				loader.contentLoaderInfo.addEventListener(IOErrorEvent.IO_ERROR, loadFailed);
				loader.contentLoaderInfo.addEventListener(SecurityErrorEvent.SECURITY_ERROR, loadFailed);
				// A faulty page movie must not stop the book.
				loader.uncaughtErrorEvents.addEventListener("uncaughtError", swallow);
				loader.load(new URLRequest(url), new LoaderContext(false));
			}
		} catch (e:Dynamic) {
			fail();
		}
	}

	/**
		Puts a loaded page movie to rest out of the window: its cached
		drawing is released and its movie kept, to be shown again by `wake`
		without a second load. False (nothing done) for any other page: a
		picture, a BMP file, one loading or failed; the caller unloads those.
	**/
	public function rest():Bool {
		if (state != Loaded || loader == null)
			return false;
		var content:DisplayObject = null;
		try content = loader.content catch (e:Dynamic) {}
		if (content == null || Std.isOfType(content, Bitmap))
			return false;
		holder.removeEventListener(Event.ENTER_FRAME, watchScale);
		setMarks([]);
		if (cache != null && cache.bitmapData != null) {
			cache.bitmapData.dispose();
			cache.bitmapData = null;
		}
		cacheScale = 0;
		wantFrames = 0;
		return true;
	}

	/**
		Shows a resting page movie again (`rest`), drawn anew where it was
		cached. True when the caller is to report the page settled; false
		when it reported itself (shown as it is, as no bitmap could be made).
	**/
	public function wake():Bool {
		showAll();
		if (vector == null || cache == null || cache.bitmapData != null)
			return true;
		if (redraw(displayScale())) {
			holder.addEventListener(Event.ENTER_FRAME, watchScale);
			return true;
		}
		var movie = vector;
		dropVector();
		while (clip.numChildren > 0)
			clip.removeChildAt(0);
		show(movie, vectorW, vectorH);
		return false;
	}

	/** Drops the page file; the sheet stays as blank paper. */
	public function unload() {
		if (state == Idle)
			return;
		stopSpinner();
		if (urlLoader != null) {
			urlLoader.removeEventListener(Event.COMPLETE, bmpLoaded);
			urlLoader.removeEventListener(IOErrorEvent.IO_ERROR, loadFailed);
			urlLoader.removeEventListener(SecurityErrorEvent.SECURITY_ERROR, loadFailed);
			try urlLoader.close() catch (e:Dynamic) {}
			urlLoader = null;
		}
		if (loader != null) {
			loader.contentLoaderInfo.removeEventListener(Event.INIT, loaderReady);
			loader.contentLoaderInfo.removeEventListener(IOErrorEvent.IO_ERROR, loadFailed);
			loader.contentLoaderInfo.removeEventListener(SecurityErrorEvent.SECURITY_ERROR, loadFailed);
			if (state == Loading)
				try loader.close() catch (e:Dynamic) {}
			var content:DisplayObject = null;
			try content = loader.content catch (e:Dynamic) {}
			if (Std.isOfType(content, Bitmap)) {
				var b:Bitmap = cast content;
				if (b.bitmapData != null)
					b.bitmapData.dispose();
			}
			try loader.unloadAndStop() catch (e:Dynamic) {}
			loader = null;
		}
		if (bitmap != null) {
			if (bitmap.bitmapData != null)
				bitmap.bitmapData.dispose();
			bitmap = null;
		}
		dropVector();
		while (clip.numChildren > 0)
			clip.removeChildAt(0);
		state = Idle;
		drawMarks();
	}

	function loaderReady(_:Event) {
		if (loader == null)
			return;
		var info = loader.contentLoaderInfo;
		var w:Float = 0, h:Float = 0;
		var content:DisplayObject = null;
		try {
			content = loader.content;
			if (Std.isOfType(content, Bitmap)) {
				var b:Bitmap = cast content;
				b.smoothing = true;
				w = b.bitmapData.width;
				h = b.bitmapData.height;
			} else {
				w = info.width;
				h = info.height;
			}
		} catch (e:Dynamic) {}
		if (w <= 0 || h <= 0) {
			try {
				w = loader.width;
				h = loader.height;
			} catch (e:Dynamic) {}
		}
		if (w <= 0 || h <= 0) {
			fail();
			return;
		}
		if (content != null && !Std.isOfType(content, Bitmap)) {
			showVector(loader, w, h);
			return;
		}
		show(loader, w, h);
	}

	/** A vector page: drawn into a bitmap, or shown as it is where that fails. */
	function showVector(movie:DisplayObject, w:Float, h:Float) {
		vector = movie;
		vectorW = w;
		vectorH = h;
		if (!redraw(displayScale())) {
			vector = null;
			if (canDrawIntoBitmaps)
				movie.cacheAsBitmap = true;
			show(movie, w, h);
			findParts(movie);
			return;
		}
		holder.addEventListener(Event.ENTER_FRAME, watchScale);
		show(cacheBox, w, h);
	}

	/** Screen pixels per page unit where the sheet is shown now. */
	function displayScale():Float {
		var s = 1.0;
		try {
			var m = holder.transform.concatenatedMatrix;
			s = Math.sqrt(Math.abs(m.a * m.d - m.b * m.c));
		} catch (e:Dynamic) {}
		var fit = Math.min(pageW / vectorW, pageH / vectorH);
		if (!(s > 0) || !Math.isFinite(s))
			s = 1;
		return s * fit;
	}

	/** Draws the vector page into a bitmap for `scale`; false when the runtime cannot. */
	function redraw(scale:Float):Bool {
		if (!canDrawIntoBitmaps)
			return false;
		var s = Math.max(scale, 0.25);
		s = Math.min(s, MAX_CACHE_SIDE / Math.max(vectorW, vectorH));
		s = Math.min(s, Math.sqrt(MAX_CACHE_PIXELS / (vectorW * vectorH)));
		var bw = Std.int(Math.max(1, Math.ceil(vectorW * s)));
		var bh = Std.int(Math.max(1, Math.ceil(vectorH * s)));
		var bmd:BitmapData = null;
		try {
			bmd = new BitmapData(bw, bh, false, 0xFFFFFF);
			var m = new Matrix();
			m.scale(bw / vectorW, bh / vectorH);
			bmd.draw(vector, m, null, null, null, true);
		} catch (e:Dynamic) {
			if (bmd != null)
				bmd.dispose();
			return false;
		}
		if (cache == null) {
			cache = new Bitmap(bmd, flash.display.PixelSnapping.NEVER, true);
			cacheBox = new Sprite();
			cacheBox.addChild(cache);
		} else {
			var old = cache.bitmapData;
			cache.bitmapData = bmd;
			cache.smoothing = true;
			if (old != null)
				old.dispose();
		}
		// The bitmap stands in for the movie at the movie's own size.
		cache.scaleX = vectorW / bw;
		cache.scaleY = vectorH / bh;
		cacheScale = scale;
		return true;
	}

	/** Draws the page again when it has been shown at another size for a few frames. */
	function watchScale(_:Event) {
		if (vector == null || cache == null)
			return;
		var s = displayScale();
		// Sharper when shown larger; smaller again when shown much smaller.
		var off = s > cacheScale * 1.25 || s < cacheScale / 2.5;
		if (!off) {
			wantFrames = 0;
			return;
		}
		if (Math.abs(s - wantScale) > wantScale * 0.02) {
			wantScale = s;
			wantFrames = 0;
			return;
		}
		if (++wantFrames >= SETTLE_FRAMES) {
			wantFrames = 0;
			redraw(s);
		}
	}

	function findParts(movie:DisplayObject) {
		parts = [];
		var root:DisplayObjectContainer = null;
		try {
			var l = Std.downcast(movie, Loader);
			root = Std.downcast(l != null ? l.content : movie, DisplayObjectContainer);
		} catch (e:Dynamic) {}
		if (root == null)
			return;
		for (i in 0...root.numChildren) {
			var c = root.getChildAt(i);
			if (!Std.isOfType(c, StaticText))
				continue;
			var r = c.getBounds(holder);
			parts.push({obj: c, x0: r.x, y0: r.y, x1: r.x + r.width, y1: r.y + r.height});
		}
	}

	/**
		Shows only the page's texts that meet the convex polygon `within` (all
		of them for null) and do not lie wholly inside the convex polygon
		`covered` (null: nothing covers the sheet), both in sheet coordinates.
	**/
	public function showOnly(within:Null<Array<Vec2>>, covered:Null<Array<Vec2>>) {
		for (p in parts) {
			var seen = within == null || Convex.meetsRect(within, p.x0, p.y0, p.x1, p.y1);
			if (seen && covered != null && Convex.holdsRect(covered, p.x0, p.y0, p.x1, p.y1))
				seen = false;
			p.obj.visible = seen;
		}
	}

	/** Shows all of the page again. */
	public function showAll() {
		for (p in parts)
			p.obj.visible = true;
	}

	/** How many of the page's texts are left out now (for the browser tests). */
	public function hiddenParts():Int {
		var n = 0;
		for (p in parts)
			if (!p.obj.visible)
				n++;
		return n;
	}

	function dropVector() {
		parts = [];
		holder.removeEventListener(Event.ENTER_FRAME, watchScale);
		if (cache != null) {
			if (cache.bitmapData != null)
				cache.bitmapData.dispose();
			cache = null;
		}
		if (cacheBox != null && cacheBox.parent != null)
			cacheBox.parent.removeChild(cacheBox);
		cacheBox = null;
		vector = null;
		cacheScale = 0;
		wantFrames = 0;
	}

	function bmpLoaded(_:Event) {
		if (urlLoader == null)
			return;
		var data:ByteArray = cast urlLoader.data;
		urlLoader = null;
		var bmd = data == null ? null : BmpDecoder.decode(data);
		if (bmd == null) {
			fail();
			return;
		}
		bitmap = new Bitmap(bmd, flash.display.PixelSnapping.NEVER, true);
		show(bitmap, bmd.width, bmd.height);
	}

	/** Fits the page content inside the sheet, keeping its proportions. */
	function show(content:DisplayObject, w:Float, h:Float) {
		stopSpinner();
		var s = Math.min(pageW / w, pageH / h);
		content.scaleX = content.scaleY = s;
		content.x = (pageW - w * s) / 2;
		content.y = (pageH - h * s) / 2;
		contentX = content.x;
		contentY = content.y;
		contentW = w * s;
		contentH = h * s;
		clip.addChild(content);
		state = Loaded;
		drawMarks();
		onSettled(this);
	}

	function loadFailed(_:Event) {
		fail();
	}

	function fail() {
		stopSpinner();
		urlLoader = null;
		state = Failed;
		onSettled(this);
	}

	function swallow(e:Event) {
		e.preventDefault();
	}

	function spin(_:Event) {
		spinner.rotation += 12;
	}

	function stopSpinner() {
		holder.removeEventListener(Event.ENTER_FRAME, spin);
		if (spinner.parent != null)
			spinner.parent.removeChild(spinner);
	}

	static function makeSpinner(colour:Int):Shape {
		var s = new Shape();
		var g = s.graphics;
		g.beginFill(0x000000, 0.35);
		g.drawCircle(0, 0, 22);
		g.endFill();
		for (i in 0...10) {
			var a = i * Math.PI / 5;
			g.beginFill(colour, 0.25 + i * 0.075);
			g.drawCircle(Math.cos(a) * 13, Math.sin(a) * 13, 3);
			g.endFill();
		}
		return s;
	}

	static function extensionOf(u:String):String {
		var q = u.indexOf("?");
		if (q >= 0)
			u = u.substr(0, q);
		var dot = u.lastIndexOf(".");
		var slash = u.lastIndexOf("/");
		return dot > slash ? u.substr(dot + 1).toLowerCase() : "";
	}
}
