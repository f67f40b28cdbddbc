package leafweaver;

import flash.display.Bitmap;
import flash.display.BitmapData;
import flash.display.Loader;
import flash.display.Sprite;
import flash.events.Event;
import flash.events.IOErrorEvent;
import flash.events.MouseEvent;
import flash.events.SecurityErrorEvent;
import flash.geom.Matrix;
import flash.net.URLRequest;
import flash.system.LoaderContext;
import flash.text.TextField;
import flash.text.TextFormat;
import flash.text.TextFormatAlign;
import leafweaver.Thumbnails;

/**
	The thumbnails over the book: a grid of small page pictures with their
	numbers, cut from the sheets of `Thumbnails`. A sheet is loaded the first
	time one of its pages comes into view, so an unopened panel costs no
	request and a long book loads only what is scrolled past. A click on a
	picture chooses its page; the wheel scrolls a row; the keys (`key`) move a
	highlight and Enter chooses.
**/
class ThumbnailPanel extends Sprite {
	/** Called with the 1-based page of a chosen picture. */
	public var onChoose:Int->Void;
	/** Called with the sheet number (from 1) each time a sheet has loaded. */
	public var onSheetLoaded:Int->Void;

	var index:ThumbnailIndex;
	var grid:ThumbnailGrid;
	var folder:String;
	var sheets:Map<Int, BitmapData> = new Map();
	var requested:Map<Int, Loader> = new Map();
	var cells:Sprite;
	/** The cells on view, reused as the grid scrolls, and the page each shows (0 for none). */
	var slots:Array<{sprite:Sprite, label:TextField, page:Int}> = [];
	var panelColor:Int;
	var textColor:Int;
	var boxW = 0.0;
	var boxH = 0.0;
	/** The highlighted page, moved by the keys. */
	public var selected(default, null):Int;

	/** `folder` is the book's source/ folder address; the page on view starts highlighted. */
	public function new(index:ThumbnailIndex, folder:String, panelColor:Int, rtl:Bool, current:Int) {
		super();
		this.index = index;
		this.folder = folder;
		this.panelColor = panelColor;
		this.textColor = Panel.contrastOf(panelColor);
		name = "thumbnails";
		selected = Std.int(Math.max(1, Math.min(index.pages, current)));
		grid = new ThumbnailGrid(index.pages, index.cellW, index.cellH, rtl);
		cells = new Sprite();
		addChild(cells);
		// The wheel scrolls wherever the mouse is while the panel is open: the
		// cell under it may just have been replaced by a scroll.
		var wheel = function(e:MouseEvent) {
			grid.scrollTo(grid.firstRow + (e.delta > 0 ? -1 : 1));
			draw();
		};
		addEventListener(Event.ADDED_TO_STAGE, function(_) stage.addEventListener(MouseEvent.MOUSE_WHEEL, wheel));
		addEventListener(Event.REMOVED_FROM_STAGE, function(_) stage.removeEventListener(MouseEvent.MOUSE_WHEEL, wheel));
	}

	/** The pages whose pictures are on view. */
	public function visiblePages():Array<Int>
		return grid.visiblePages();

	/** Sheets asked for so far. */
	public function sheetsRequested():Int
		return Lambda.count(requested);

	/** Fits the grid into w x h pixels. */
	public function setSize(w:Float, h:Float) {
		boxW = w;
		boxH = h;
		var g = graphics;
		g.clear();
		g.beginFill(0x000000, 0.18);
		g.drawRoundRect(3, 3, boxW, boxH, 10, 10);
		g.endFill();
		g.lineStyle(1, textColor, 0.3);
		g.beginFill(panelColor, 1);
		g.drawRoundRect(0, 0, boxW, boxH, 10, 10);
		g.endFill();
		g.lineStyle();
		grid.setSize(w, h);
		grid.reveal(selected);
		draw();
	}

	/** Answers a key while the panel is open: true when it was the panel's. */
	public function key(keyCode:Int):Bool {
		if (keyCode == 13 || keyCode == 32) {
			if (onChoose != null)
				onChoose(selected);
			return true;
		}
		var to = grid.move(selected, keyCode);
		if (to == null)
			return false;
		selected = to;
		grid.reveal(selected);
		draw();
		return true;
	}

	/**
		Shows the pages in view in the cells, which are kept and only
		repainted, so that the one under the mouse stays there for the next
		turn of the wheel.
	**/
	function draw() {
		var pages = grid.visiblePages();
		while (slots.length < pages.length)
			addSlot(slots.length);
		for (i in 0...slots.length) {
			var slot = slots[i];
			if (i >= pages.length) {
				slot.sprite.visible = false;
				slot.page = 0;
				continue;
			}
			var p = pages[i];
			var at = grid.positionOf(p);
			slot.page = p;
			slot.sprite.visible = true;
			slot.sprite.name = "thumb" + p;
			slot.sprite.x = at.x;
			slot.sprite.y = at.y;
			slot.sprite.graphics.clear();
			paintCell(slot.sprite, p);
			slot.label.text = Std.string(p);
		}
	}

	function addSlot(i:Int) {
		var fmt = new TextFormat("_sans", 12, textColor);
		fmt.align = TextFormatAlign.CENTER;
		var c = new Sprite();
		c.buttonMode = true;
		c.useHandCursor = true;
		c.mouseChildren = false;
		var label = new TextField();
		label.defaultTextFormat = fmt;
		label.selectable = false;
		label.y = index.cellH + 1;
		label.width = index.cellW;
		label.height = ThumbnailGrid.LABEL;
		c.addChild(label);
		var slot = {sprite: c, label: label, page: 0};
		c.addEventListener(MouseEvent.ROLL_OVER, function(_) c.alpha = 0.75);
		c.addEventListener(MouseEvent.ROLL_OUT, function(_) c.alpha = 1);
		c.addEventListener(MouseEvent.CLICK, function(_) if (onChoose != null && slot.page > 0) onChoose(slot.page));
		cells.addChild(c);
		slots.push(slot);
	}

	/** The page's picture when its sheet is in (asking for the sheet otherwise), a frame for the highlight. */
	function paintCell(c:Sprite, p:Int) {
		var g = c.graphics;
		var w = index.cellW, h = index.cellH;
		var sheet = Thumbnails.sheetOf(index, p);
		var data = sheets.get(sheet);
		if (p == selected) {
			g.beginFill(textColor, 0.9);
			g.drawRect(-3, -3, w + 6, h + 6);
			g.endFill();
		}
		if (data != null) {
			var cell = Thumbnails.cellOf(index, p);
			var m = new Matrix();
			m.translate(-cell.x, -cell.y);
			g.beginBitmapFill(data, m, false, true);
			g.drawRect(0, 0, w, h);
			g.endFill();
			// The page's edge, for white pages on a light panel.
			g.lineStyle(1, textColor, 0.25);
			g.drawRect(-0.5, -0.5, w + 1, h + 1);
			g.lineStyle();
		} else {
			g.beginFill(0xFFFFFF, 0.35);
			g.drawRect(0, 0, w, h);
			g.endFill();
			load(sheet);
		}
	}

	function load(sheet:Int) {
		if (requested.exists(sheet))
			return;
		var loader = new Loader();
		requested.set(sheet, loader);
		loader.contentLoaderInfo.addEventListener(Event.INIT, function(_) {
			var bitmap = Std.downcast(loader.content, Bitmap);
			if (bitmap == null)
				return;
			sheets.set(sheet, bitmap.bitmapData);
			draw();
			if (onSheetLoaded != null)
				onSheetLoaded(sheet + 1);
		});
		// A sheet that does not load leaves its cells plain.
		var none = function(_:Event) {};
		loader.contentLoaderInfo.addEventListener(IOErrorEvent.IO_ERROR, none);
		loader.contentLoaderInfo.addEventListener(SecurityErrorEvent.SECURITY_ERROR, none);
		loader.load(new URLRequest(folder + index.sheets[sheet]), new LoaderContext(false));
	}
}
